#include "resources.h"

#include <QtGlobal>

static void initPresetResources() { Q_INIT_RESOURCE(preset); }
static void initStyleResources() { Q_INIT_RESOURCE(style); }

void kt900InitResources()
{
    static const bool done = [] {
        initPresetResources();
        initStyleResources();
        return true;
    }();
    Q_UNUSED(done);
}
