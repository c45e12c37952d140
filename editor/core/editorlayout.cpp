#include "editorlayout.h"

#include "appconfig.h"
#include "chainpanel.h"
#include "draglistwidget.h"
#include "effectcatalogue.h"
#include "kt900style.h"
#include "loadingwidget.h"
#include "modulepanel.h"
#include "presetpanel.h"
#include "titlebar.h"
#include "topbar.h"

#include <QColor>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressBar>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

const char kListStyle[] =
    "QListWidget {\tcolor: white; font-weight: bold; background: transparent; }\t\t\t"
    "QListWidget::item:hover { background: %1; }\t\t\t\t\t\t\t"
    "QListWidget::item:selected:active { background: %2; }\t\t\t\t"
    "QListWidget::item:selected:!active{ background: %3; }";

QString colorSetting(const QString &key, const QString &fallback)
{
    const QString value = AppConfig::instance().value(QStringLiteral("Color"), key, fallback).toString();
    return QColor::isValidColor(value) ? value : fallback;
}

} // namespace

namespace EditorLayout {

Parts build(QWidget *window, UnitLink &link, PresetFileCodec &codec, QSignalMapper *mapper,
            SendCoalescer &coalescer)
{
    Parts parts;
    auto *outer = new QHBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    parts.border = new QWidget(window);
    parts.border->setObjectName(QStringLiteral("mainBorderWidget"));
    parts.border->setAttribute(Qt::WA_StyledBackground);
    outer->addWidget(parts.border);

    auto *borderBox = new QVBoxLayout(parts.border);
    borderBox->setContentsMargins(0, 0, 0, 0);
    borderBox->setSpacing(0);
    parts.title = new TitleBar(parts.border);
    borderBox->addWidget(parts.title);

    auto *mainSplitter = new QSplitter(Qt::Vertical, parts.border);
    mainSplitter->setObjectName(QStringLiteral("mainSplitter"));
    mainSplitter->setChildrenCollapsible(false);
    borderBox->addWidget(mainSplitter);

    auto *upper = new QSplitter(Qt::Horizontal, mainSplitter);
    upper->setObjectName(QStringLiteral("upperSplitter"));
    upper->setChildrenCollapsible(false);
    parts.presets = new PresetPanel(link, codec, mapper, upper);
    upper->addWidget(parts.presets);

    auto *editing = new QWidget(upper);
    editing->setObjectName(QStringLiteral("paraWidget"));
    editing->setAttribute(Qt::WA_StyledBackground);
    auto *editingBox = new QVBoxLayout(editing);
    editingBox->setContentsMargins(3, 0, 0, 0);
    editingBox->setSpacing(2);
    parts.top = new TopBar(link, mapper, editing);
    editingBox->addWidget(parts.top);
    parts.module = new ModulePanel(link, coalescer, editing);
    editingBox->addWidget(parts.module, 1);
    upper->addWidget(editing);
    upper->setStretchFactor(0, 5);
    upper->setStretchFactor(1, 9);
    mainSplitter->addWidget(upper);

    parts.chain = new ChainPanel(link, mainSplitter);
    mainSplitter->addWidget(parts.chain);
    mainSplitter->setStretchFactor(0, 2);
    mainSplitter->setStretchFactor(1, 1);
    return parts;
}

void fit(const Parts &parts)
{
    auto *upper = qobject_cast<QSplitter *>(parts.presets->parentWidget());
    QWidget *editing = parts.top->parentWidget();
    if (upper && editing) {
        const int total = upper->width() - upper->handleWidth();
        const int room = total - editing->minimumSizeHint().width();
        const int presets = qMax(parts.presets->minimumSizeHint().width(),
                                 qMin(parts.presets->preferredWidth(), room));
        if (total > 0 && presets > 0 && presets < total)
            upper->setSizes({presets, total - presets});
        parts.presets->layout()->activate();
        editing->layout()->activate();
    }
    parts.presets->fitColumns();
    parts.module->fitColumns();
}

void applyColors(const Parts &parts)
{
    const QString paraColor = colorSetting(QStringLiteral("paraColor"), QStringLiteral("#c0d23c"));
    const QString selectColor = colorSetting(QStringLiteral("presetListSelectColor"), QStringLiteral("#B1CF36"));
    const QString hoverColor = colorSetting(QStringLiteral("presetListHoverColor"), QStringLiteral("gray"));
    const int modules = qMax(0, EffectCatalogue::instance().chainCount());
    if (parts.module)
        parts.module->setColors(QVector<QString>(modules, paraColor).toList(),
                                QVector<QString>(modules, QStringLiteral("#414141")).toList());
    const QString style = QString::fromLatin1(kListStyle).arg(hoverColor, selectColor, selectColor);
    if (parts.presets) {
        parts.presets->deviceList()->setStyleSheet(style);
        parts.presets->computerList()->setStyleSheet(style);
    }
    if (parts.module)
        parts.module->typeList()->setStyleSheet(style);
}

LoadingWidget *buildLoadingOverlay(QWidget *window, int steps)
{
    auto *overlay = new LoadingWidget(window);
    overlay->setTitle(QCoreApplication::translate("Core", "Loading..."));
    overlay->setRange(0, steps);
    overlay->setProgressValue(0);
    overlay->progressBar()->setProperty("recall", false);
    Kt900Style::repolish(overlay->progressBar());
    overlay->show();
    overlay->raise();
    return overlay;
}

void showImportProgress(LoadingWidget *overlay, int done, int total)
{
    if (done == 0) {
        overlay->setTitle(QCoreApplication::translate("Core", "Importing..."));
        overlay->setRange(0, total);
        overlay->show();
        overlay->raise();
    }
    overlay->setProgressValue(done);
}

} // namespace EditorLayout
