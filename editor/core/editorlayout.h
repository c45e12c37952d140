#pragma once

// The arrangement of the main window's panels: the border widget with the
// title bar on top, below it a vertical splitter holding the preset panel
// beside the editing column (top bar over module panel), and the chain
// panel at the bottom. `fit` shares the width out once the unit's data
// (and so the labels' lengths) is known; `applyColors` takes the
// configured colours.

class ChainPanel;
class LoadingWidget;
class ModulePanel;
class PresetFileCodec;
class PresetPanel;
class QSignalMapper;
class QWidget;
class SendCoalescer;
class TitleBar;
class TopBar;
class UnitLink;

namespace EditorLayout {

struct Parts {
    QWidget *border = nullptr;
    TitleBar *title = nullptr;
    PresetPanel *presets = nullptr;
    TopBar *top = nullptr;
    ModulePanel *module = nullptr;
    ChainPanel *chain = nullptr;
};

// Builds the panels into `window` (which gets the outer layout).
Parts build(QWidget *window, UnitLink &link, PresetFileCodec &codec, QSignalMapper *mapper,
            SendCoalescer &coalescer);

// The preset panel gets what its labels need, as far as the editing
// panel's minimum leaves room; the type list what the longest type name
// needs.
void fit(const Parts &parts);

// The value colours of the module pages and the lists' hover and selection
// colours, from the "Color" group of the configuration.
void applyColors(const Parts &parts);

// The loading overlay over `window`, shown, counting `steps` steps of the
// unit's download.
LoadingWidget *buildLoadingOverlay(QWidget *window, int steps);

// The overlay as the progress of an import of several presets: the first
// step (done 0) retitles and shows it.
void showImportProgress(LoadingWidget *overlay, int done, int total);

} // namespace EditorLayout
