#include "effectcatalogue.h"

#include "valuemodel.h"

#include <QFile>
#include <QLoggingCategory>
#include <QMutexLocker>
#include <QXmlStreamReader>

#include <algorithm>
#include <atomic>

Q_LOGGING_CATEGORY(lcCatalogue, "kt900.model")

namespace {

const QLatin1String kResources("resources");
const QLatin1String kChain("chain");
const QLatin1String kPara("para");
const QLatin1String kSubPara("subPara");

// Splits a value string at '_' keeping empty parts.
QStringList splitFields(const QString &text)
{
    return text.split(QLatin1Char('_'), Qt::KeepEmptyParts);
}

// min, max, step, decimals and unit from the first five fields; integers
// and the float that do not parse give 0.
void readRangeFields(const QStringList &f, ParaInfo &p)
{
    p.min = f.at(0).toInt();
    p.max = f.at(1).toInt();
    p.step = f.at(2).toFloat();
    p.decimals = f.at(3).toInt();
    p.unit = f.at(4);
}

// Builds a parameter from its kind and value string. False when the string
// does not fit the kind (or the kind is unknown): no parameter is made.
bool parseValueString(std::uint32_t kind, const QString &text, ParaInfo &p)
{
    QStringList f = splitFields(text);
    switch (kind) {
    case 0:
        if (f.size() < 5)
            return false;
        p.kind = ParamKind::Range;
        readRangeFields(f, p);
        return true;
    case 1:
        p.kind = ParamKind::Options;
        p.options = f;
        return true;
    case 2: {
        if (f.size() != 5)
            return false;
        p.kind = ParamKind::RangeWithOptions;
        QStringList head = f.at(0).split(QLatin1Char('#'), Qt::KeepEmptyParts);
        if (head.size() > 1) {
            f[0] = head.takeLast();
            p.prefixOptions = head;
        }
        QStringList tail = f.at(4).split(QLatin1Char('#'), Qt::KeepEmptyParts);
        if (tail.size() > 1) {
            f[4] = tail.takeFirst();
            p.suffixOptions = tail;
        }
        readRangeFields(f, p);
        return true;
    }
    default:
        return false;
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Loading

namespace {

class Loader
{
public:
    Loader(QXmlStreamReader &xml, std::vector<ChainInfo> &chains)
        : m_xml(xml), m_chains(chains) {}

    void run()
    {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement() && m_xml.name() == kResources)
                readChains();
        }
    }

private:
    TypeInfo *lastType()
    {
        if (m_chains.empty() || m_chains.back().types.empty())
            return nullptr;
        return &m_chains.back().types.back();
    }

    // Children of <resources>: every child's children are read as types,
    // attaching to the last chain.
    void readChains()
    {
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == kChain) {
                const QString name = m_xml.attributes().value(QLatin1String("name")).toString();
                if (!name.isEmpty()) {
                    m_chains.emplace_back();
                    m_chains.back().name = name;
                }
            }
            readTypes();
        }
    }

    // Children of a chain, whatever their tag: name, paraPos and import in
    // that order, then the parameters.
    void readTypes()
    {
        while (m_xml.readNextStartElement()) {
            const QXmlStreamAttributes attrs = m_xml.attributes();
            if (attrs.hasAttribute(QLatin1String("name"))) {
                if (m_chains.empty()) {
                    qCWarning(lcCatalogue) << "type outside any chain ignored at line" << m_xml.lineNumber();
                } else {
                    m_chains.back().types.emplace_back();
                    m_chains.back().types.back().name = attrs.value(QLatin1String("name")).toString();
                }
            }
            if (TypeInfo *t = lastType()) {
                if (attrs.hasAttribute(QLatin1String("paraPos")))
                    t->paraPos = attrs.value(QLatin1String("paraPos")).toUShort();
                if (attrs.hasAttribute(QLatin1String("import")))
                    t->import = attrs.value(QLatin1String("import")).toUShort();
            }
            readParams(kPara);
        }
    }

    // Children of a type (or of a group) named `tag`. A `tag` element without
    // attributes is a group of subPara elements. Elements with another name
    // are entered, and their children are visited at this same level.
    void readParams(QLatin1String tag)
    {
        int depth = 0; // levels of other elements entered
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isEndElement()) {
                if (depth == 0)
                    return;
                --depth;
                continue;
            }
            if (!m_xml.isStartElement())
                continue;
            if (m_xml.name() != tag) {
                ++depth;
                continue;
            }
            const QXmlStreamAttributes attrs = m_xml.attributes();
            if (attrs.isEmpty()) {
                readParams(kSubPara);
                continue;
            }
            readOneParam(attrs);
        }
    }

    void readOneParam(const QXmlStreamAttributes &attrs)
    {
        const qint64 line = m_xml.lineNumber();
        if (!attrs.hasAttribute(QLatin1String("type"))) {
            qCWarning(lcCatalogue) << "parameter without a kind ignored at line" << line;
            m_xml.skipCurrentElement();
            return;
        }
        bool kindOk = false;
        const std::uint32_t kind = attrs.value(QLatin1String("type")).toUInt(&kindOk);
        const QString text = m_xml.readElementText(QXmlStreamReader::SkipChildElements);
        ParaInfo p;
        if (!kindOk || !parseValueString(kind, text, p)) {
            qCWarning(lcCatalogue) << "parameter" << attrs.value(QLatin1String("name"))
                                   << "with kind" << attrs.value(QLatin1String("type"))
                                   << "and value" << text << "ignored at line" << line;
            return;
        }
        TypeInfo *t = lastType();
        if (!t) {
            qCWarning(lcCatalogue) << "parameter outside any type ignored at line" << line;
            return;
        }
        if (attrs.hasAttribute(QLatin1String("name")))
            p.name = attrs.value(QLatin1String("name")).toString();
        if (attrs.hasAttribute(QLatin1String("controlled"))) {
            bool ok = false;
            const short c = attrs.value(QLatin1String("controlled")).toShort(&ok);
            if (ok)
                p.controlled = c;
        }
        t->params.push_back(std::move(p));
    }

    QXmlStreamReader &m_xml;
    std::vector<ChainInfo> &m_chains;
};

} // namespace

EffectCatalogue &EffectCatalogue::instance()
{
    static std::atomic<EffectCatalogue *> s_instance{nullptr};
    static QMutex s_mutex;
    // Owns the catalogue until program exit, when it is cleared and freed.
    static std::unique_ptr<EffectCatalogue> s_owner;

    EffectCatalogue *p = s_instance.load(std::memory_order_acquire);
    if (!p) {
        QMutexLocker lock(&s_mutex);
        p = s_instance.load(std::memory_order_relaxed);
        if (!p) {
            s_owner.reset(new EffectCatalogue);
            p = s_owner.get();
            s_instance.store(p, std::memory_order_release);
        }
    }
    return *p;
}

EffectCatalogue::~EffectCatalogue()
{
    clear();
}

bool EffectCatalogue::load(const QString &path)
{
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qCWarning(lcCatalogue) << "cannot open the effect catalogue" << path << file.errorString();
        return false;
    }
    QXmlStreamReader xml(&file);
    Loader(xml, m_chains).run();
    file.close();
    if (xml.hasError()) {
        qCWarning(lcCatalogue) << "effect catalogue" << path << "line" << xml.lineNumber()
                               << "column" << xml.columnNumber() << ":" << xml.errorString();
        return false;
    }
    return true;
}

void EffectCatalogue::clear()
{
    m_chains.clear();
}

// ---------------------------------------------------------------------------
// Lookups

int EffectCatalogue::chainCount() const
{
    return static_cast<int>(m_chains.size());
}

const ChainInfo *EffectCatalogue::chain(int module) const
{
    if (module < 0 || module >= chainCount())
        return nullptr;
    return &m_chains[static_cast<std::size_t>(module)];
}

const TypeInfo *EffectCatalogue::typeInfo(int module, int type) const
{
    const ChainInfo *c = chain(module);
    if (!c || type < 0 || type >= static_cast<int>(c->types.size()))
        return nullptr;
    return &c->types[static_cast<std::size_t>(type)];
}

QString EffectCatalogue::chainName(int module) const
{
    const ChainInfo *c = chain(module);
    return c ? c->name : QString();
}

QStringList EffectCatalogue::typeNames(int module) const
{
    QStringList names;
    if (const ChainInfo *c = chain(module)) {
        names.reserve(static_cast<int>(c->types.size()));
        for (const TypeInfo &t : c->types)
            names.append(t.name);
    }
    return names;
}

int EffectCatalogue::typeCount(int module) const
{
    const ChainInfo *c = chain(module);
    return c ? static_cast<int>(c->types.size()) : -1;
}

QString EffectCatalogue::typeName(int module, int type) const
{
    const TypeInfo *t = typeInfo(module, type);
    return t ? t->name : QString();
}

void EffectCatalogue::setTypeName(int module, int type, const QString &name)
{
    if (module < 0 || module >= chainCount())
        return;
    ChainInfo &c = m_chains[static_cast<std::size_t>(module)];
    if (type < 0 || type >= static_cast<int>(c.types.size()))
        return;
    c.types[static_cast<std::size_t>(type)].name = name;
}

const std::vector<ParaInfo> *EffectCatalogue::paramList(int module, int type) const
{
    const ChainInfo *c = chain(module);
    if (!c || type < 0 || type >= static_cast<int>(c->types.size()))
        return nullptr;
    const int pos = c->types[static_cast<std::size_t>(type)].paraPos;
    if (pos < 1 || pos > static_cast<int>(c->types.size()))
        return nullptr;
    return &c->types[static_cast<std::size_t>(pos - 1)].params;
}

int EffectCatalogue::paramCount(int module, int type) const
{
    const std::vector<ParaInfo> *list = paramList(module, type);
    return list ? static_cast<int>(list->size()) : -1;
}

const ParaInfo *EffectCatalogue::param(int module, int type, int index) const
{
    const std::vector<ParaInfo> *list = paramList(module, type);
    if (!list || index < 0 || index >= static_cast<int>(list->size()))
        return nullptr;
    return &(*list)[static_cast<std::size_t>(index)];
}

int EffectCatalogue::paramIndexByName(int module, int type, const QString &name) const
{
    const std::vector<ParaInfo> *list = paramList(module, type);
    if (!list)
        return -1;
    for (std::size_t i = 0; i < list->size(); ++i) {
        if ((*list)[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

bool EffectCatalogue::isValueValid(int raw, int module, int type, int index) const
{
    const ParaInfo *p = param(module, type, index);
    if (!p)
        return false;
    if (p->kind == ParamKind::Options)
        return raw >= 0 && raw < p->options.size();
    return raw >= 0 && raw <= ValueModel::stepCount(*p);
}

bool EffectCatalogue::isImportSlot(int module, int type) const
{
    const TypeInfo *t = typeInfo(module, type);
    return t && t->import != 0;
}

int EffectCatalogue::maxParamCount() const
{
    int best = 0;
    for (int m = 0; m < chainCount(); ++m) {
        const int n = typeCount(m);
        for (int t = 0; t < n; ++t)
            best = std::max(best, paramCount(m, t));
    }
    return best;
}
