#include "commands/SettingCommands.h"

#include <cstdio>
#include <cwchar>
#include <iterator>
#include <vector>

#include "app/AppState.h"

namespace {

bool WhileBuilding(const AppState& s) { return s.Building(); }
bool InWallpaperMode(const AppState& s) { return s.layer == kLayerWallpaper; }
bool WithCollage(const AppState& s) { return s.collage; }

void ReloadFolder(AppState& s) { s.OpenFolderView(s.exhibit->ViewedFolder().c_str(), false); }
void ReSortUnlessRandom(AppState& s) {
    if (s.sort == kSortRandom) return;   // a new rule is only remembered while the order is random
    s.SortExhibit();
    s.UpdateStatus();
}
void ReSort(AppState& s) {
    s.SortExhibit();
    s.UpdateStatus();
}
void FitChanged(AppState& s) {
    s.ResetFitZoom();
    s.ApplyDisplay();
}
void CaptionIfTitled(AppState& s) {
    if (s.title) s.UpdateCaption();
}

using S = AppState;

constexpr ToggleRow kToggles[] = {
    // Slideshow
    {&S::slide, kCmdSlideshow, L"-slide", L"-noslide", nullptr, nullptr, [](S& s) { s.RestartSlideTimer(); }},
    {&S::ontop, kCmdStayOnTop, L"-ontop", L"-notop", nullptr, nullptr, [](S& s) { s.SetStayOnTop(); }},
    {&S::blend, kCmdBlend, L"-blend", L"-noblend", nullptr, nullptr, [](S& s) { s.ApplyBlend(); }},
    {&S::loopshuffle, kCmdLoopReshuffle, L"-loopshuffle", L"-noloopshuffle"},
    // Sort
    {&S::sortcase, kCmdSortCaseSensitive, L"-sortcase", L"-nosortcase", nullptr, nullptr, ReSortUnlessRandom},
    // Navigate: one setting, two commands, marked either way round.
    {&S::wheelnav, kCmdMousewheelNav, L"-wheelnav", L"-wheelzoom"},
    {&S::wheelnav, kCmdZoomMousewheel, nullptr, nullptr, nullptr, nullptr, nullptr,
     [](const S& s) { return !s.wheelnav; }},
    {&S::autoscroll, kCmdAutoscroll, L"-autoscroll", L"-noautoscroll"},
    {&S::quietautoscroll, kCmdAutoscrollQuietly, L"-quietscroll", L"-animatescroll"},
    // Exhibit: the folder switches rebuild the viewed folder. The format
    // switches follow at the end, made from the format table.
    {&S::subfolders, kCmdSubfolders, L"-subfolders", L"-nosubfolders", nullptr, WhileBuilding, ReloadFolder},
    {&S::hidden, kCmdHiddenFolders, L"-hidden", L"-nohidden", nullptr, WhileBuilding, ReloadFolder},
    {&S::autorefresh, kCmdAutoRefresh, L"-autorefresh", L"-noautorefresh", nullptr, nullptr,
     [](S& s) {
         if (s.autorefresh) s.StartWatcher();
         else s.StopWatcher();
     }},
    {&S::animate, kCmdAnimate, L"-animate", L"-noanimate", nullptr, nullptr,
     [](S& s) {
         if (s.animate) s.StartAnimation();
         else s.StopAnimation();
     }},
    {&S::colormanage, kCmdColorManage, L"-colormanage", L"-nocolormanage", nullptr, nullptr,
     [](S& s) { s.ColourManagementChanged(); }},
    {&S::removefail, kCmdClearUnloadable, L"-removefail", L"-noremovefail"},
    {&S::logerrors, kCmdLogErrors, L"-logerrors", L"-nologerrors"},
    {&S::loglnkfail, kCmdLogLinkFailure, L"-loglnkfail", L"-nologlnkfail"},
    // Find: a shape filter that comes on shows a picture of that shape.
    {&S::landscapeOnly, kCmdLandscape, L"-landscape", nullptr, nullptr, nullptr,
     [](S& s) {
         if (!s.landscapeOnly) return;
         s.portraitOnly = false;
         s.ShowPicture(true);
     }},
    {&S::portraitOnly, kCmdPortrait, L"-portrait", nullptr, nullptr, nullptr,
     [](S& s) {
         if (!s.portraitOnly) return;
         s.landscapeOnly = false;
         s.ShowPicture(true);
     },
     [](const S& s) { return s.portraitOnly && !s.landscapeOnly; }},   // landscape wins when both are set
    {&S::markexit, kCmdMarkOnExit, L"-markexit", L"-nomarkexit"},
    // Favorites and archive, Catalog
    {&S::confirmarchive, kCmdConfirmMove, L"-confirmarc", L"-noconfirmarc"},
    {&S::archivelog, kCmdArchiveLog, L"-arclog", L"-noarclog"},
    {&S::hideViewer, kCmdHideViewer, L"-cathideview", L"-nocathideview"},
    {&S::launch, kCmdShowOnLaunch, L"-catlaunch", L"-nocatlaunch"},
    // Fit, zoom, rotation, collage, transitions
    {&S::wrap, kCmdWrap, L"-wrap", L"-nowrap", nullptr, nullptr, [](S& s) { s.ApplyWrap(); }},
    {&S::crop, kCmdCrop, L"-crop", L"-nocrop", nullptr, InWallpaperMode, [](S& s) { s.ApplyCrop(); }},
    {&S::squeeze, kCmdSqueeze, L"-squeeze", L"-nosqueeze", nullptr, WithCollage, FitChanged},
    {&S::shrink, kCmdShrink, L"-shrink", L"-noshrink", nullptr, WithCollage, FitChanged},
    {&S::stretch, kCmdStretch, L"-stretch", L"-nostretch", nullptr, WithCollage, FitChanged},
    {&S::rotateaspect, kCmdAspectFilter, L"-aspect", L"-noaspect"},
    {&S::exiforient, kCmdExifOrientation, L"-exiforient", L"-noexiforient", nullptr, nullptr,
     [](S& s) {
         if (s.picture.IsLoaded() && s.picture.Orientation() != 1) s.ShowPicture(true);
     }},
    {&S::collage, kCmdCollage, L"-collage", L"-nocollage", nullptr, nullptr,
     [](S& s) {
         if (s.collage) {
             s.StopAnimation();
             if (s.crop) SetWindowRgn(s.hwnd, nullptr, TRUE);
             s.ClearCollage();
         }
         s.ApplyDisplay();
         if (!s.collage) s.StartAnimation();
     }},
    {&S::transitions, kCmdTransitions, L"-transitions", L"-notransitions"},
    {&S::overlap, kCmdOverlap, L"-overlap", L"-nooverlap"},
    // Window
    {&S::title, kCmdNameInCaption, L"-title", L"-notitle", nullptr, nullptr, [](S& s) { s.UpdateCaption(); }},
    {&S::fullname, kCmdFullPathname, L"-fullname", L"-shortname", nullptr, nullptr, CaptionIfTitled},
    {&S::statusbar, kCmdStatusBar, L"-statusbar", L"-nostatusbar", nullptr, nullptr, [](S& s) { s.ApplyStatusBar(); }},
    {&S::trayicon, kCmdTrayIcon, L"-trayicon", L"-taskbar", nullptr, InWallpaperMode,
     [](S& s) { s.ApplyTrayIcon(); }},
    {&S::decorate, kCmdDecorate, L"-decor", L"-nodecor", nullptr, InWallpaperMode, [](S& s) { s.ApplyDecorate(); }},
    {&S::autocenter, kCmdAutoCenter, L"-autocenter", L"-noautocenter", &S::roamwindow, nullptr,
     [](S& s) {
         if (s.wrap && s.autocenter && s.layer != kLayerFullScreen) s.CenterWindow();
     }},
    {&S::roamwindow, kCmdRoam, L"-roam", L"-noroam", &S::autocenter, nullptr,
     [](S& s) {
         if (s.wrap && s.roamwindow && s.layer != kLayerFullScreen) s.RoamWindow();
     }},
    {&S::corral, kCmdCorral, L"-corral", L"-nocorral", nullptr, nullptr,
     [](S& s) {
         if (s.corral && s.layer != kLayerFullScreen) s.ApplyDisplay();
     }},
    {&S::draggable, kCmdDraggable, L"-draggable", L"-nodraggable"},
    {&S::singleinstance, kCmdSingleInstance, L"-single", L"-nosingle"},
    // Screen
    {&S::fullscreenname, kCmdScreenCaption, L"-screenname", L"-noscreenname", nullptr, nullptr,
     [](S& s) {
         if (s.layer == kLayerFullScreen) s.ApplyNameOverlay();
     }},
    {&S::fullscreencursor, kCmdScreenCursor, L"-screencursor", L"-noscreencursor", nullptr, nullptr,
     [](S& s) {
         if (s.layer == kLayerFullScreen) ShowCursor(s.fullscreencursor ? TRUE : FALSE);
     }},
    // Shell and Blackbox
    {&S::confirmdelete, kCmdConfirmRecycle, L"-confirmdel", L"-noconfirmdel"},
    {&S::bbWallpaper, kCmdSmartWallpaper, nullptr, nullptr, nullptr, nullptr,
     [](S& s) {
         if (s.blackboxPresent && s.layer == kLayerWallpaper) s.MakeWallpaper();
     }},
    {&S::bbWallpaperScale, kCmdScaleWallpaper, nullptr, nullptr, nullptr, nullptr,
     [](S& s) {
         if (s.blackboxPresent && s.bbWallpaper && s.layer == kLayerWallpaper) s.MakeWallpaper();
     }},
    {&S::bbSkin, kCmdBlackboxSkin, nullptr, nullptr, nullptr, nullptr, [](S& s) { s.ApplyDisplay(); }},
    // Settings
    {&S::savesettings, kCmdSaveOnExit, L"-save", L"-nosave"},
    {&S::savefolder, kCmdSaveFolder, L"-savefolder", L"-nosavefolder"},
    {&S::atCursor, kCmdMenuAtCursor, nullptr, nullptr},
    // Switches without a command
    {&S::noShell, 0, L"-noshell", nullptr},
    {&S::noMenu, 0, L"-nomenu", nullptr},
};

constexpr ChoiceRow kChoices[] = {
    {&S::loop, kCmdLoopRepeat, 3, {kLoopRepeat, kLoopPause, kLoopExit}, {L"-loop", L"-loopause", L"-loopexit"}},
    {&S::sort, kCmdSortForward, 3, {kSortForward, kSortReverse, kSortRandom},
     {L"-sortforward", L"-sortreverse", L"-sortrandom"}, nullptr, ReSort},
    {&S::sortby, kCmdSortTree, 6, {kSortTree, kSortTreeStrict, kSortName, kSortCreated, kSortModified, kSortAccessed},
     {L"-sorttree", L"-sorttreestrict", L"-sortname", L"-sortcreated", L"-sortmodified", L"-sortaccessed"}, nullptr,
     ReSortUnlessRandom},
    // Choosing the type in force again turns auto-find off.
    {&S::autofindtype, kCmdAutoFindCreated, 3, {kAutoFindCreated, kAutoFindModified, kAutoFindAccessed},
     {L"-autofindcreate", L"-autofindmodify", L"-autofindaccess"},
     [](S& s, int32_t type) { s.autofindtype = s.autofindtype == type ? kAutoFindNone : type; }},
    {&S::zoomquality, kCmdZoomQualityDefault, 3, {kZoomQualityDefault, kZoomQualityHigh, kZoomQualityBest},
     {L"-zoomdef", L"-zoomhigh", L"-zoombest"}, nullptr, [](S& s) { s.SetInterpolation(s.zoomquality); }},
    {&S::layout, kCmdLayoutCentered, 6,
     {kLayoutCentered, kLayoutTopLeft, kLayoutTopRight, kLayoutBottomLeft, kLayoutBottomRight, kLayoutRoaming},
     {L"-centered", L"-topleft", L"-topright", L"-bottomleft", L"-bottomright", nullptr},
     [](S& s, int32_t layout) { s.SetLayout(layout); }},
    {&S::fullscreenlayout, kCmdScreenCentered, 2, {kLayoutCentered, kLayoutRoaming}, {L"-screencenter", L"-screenroam"},
     nullptr,
     [](S& s) {
         if (s.layer != kLayerFullScreen) return;
         s.layout = s.fullscreenlayout;
         s.ApplyDisplay();
     }},
};

static_assert(kPictureFormatCount <= kFormatsFirstBlock + 19, "the later Formats items have the ids up to 1199");

// The rows above and one per picture format. A format switch may reach a
// running build, which the rebuild waits for.
std::vector<ToggleRow> MakeToggles() {
    static wchar_t switches[kPictureFormatCount][2][16];
    std::vector<ToggleRow> rows(std::begin(kToggles), std::end(kToggles));
    for (int i = 0; i < kPictureFormatCount; ++i) {
        swprintf(switches[i][0], std::size(switches[i][0]), L"-%ls", kPictureFormats[i].key);
        swprintf(switches[i][1], std::size(switches[i][1]), L"-no%ls", kPictureFormats[i].key);
        ToggleRow row{nullptr, FormatCommand(i), switches[i][0], switches[i][1], nullptr, nullptr, ReloadFolder};
        row.format = i;
        rows.push_back(row);
    }
    return rows;
}

const std::vector<ToggleRow>& Toggles() {
    static const std::vector<ToggleRow> rows = MakeToggles();
    return rows;
}

}  // namespace

bool& Flag(AppState& s, const ToggleRow& row) { return row.field ? s.*row.field : s.formats.on[row.format]; }
bool Flag(const AppState& s, const ToggleRow& row) { return row.field ? s.*row.field : s.formats.on[row.format]; }

std::span<const ToggleRow> ToggleRows() { return Toggles(); }
std::span<const ChoiceRow> ChoiceRows() { return kChoices; }

const ToggleRow* FindToggle(int command) {
    if (command <= 0) return nullptr;
    for (const ToggleRow& row : Toggles())
        if (row.command == command) return &row;
    return nullptr;
}

const ChoiceRow* FindChoice(int command) {
    for (const ChoiceRow& row : kChoices)
        if (command >= row.first && command < row.first + row.count) return &row;
    return nullptr;
}

bool ApplySettingSwitch(AppState& s, const wchar_t* option) {
    const auto named = [option](const wchar_t* name) { return name && wcscmp(name, option) == 0; };
    for (const ToggleRow& row : Toggles()) {
        if (named(row.onSwitch)) {
            Flag(s, row) = true;
            if (row.clears) s.*row.clears = false;
            return true;
        }
        if (named(row.offSwitch)) {
            Flag(s, row) = false;
            return true;
        }
    }
    for (const ChoiceRow& row : kChoices) {
        for (int32_t i = 0; i < row.count; ++i) {
            if (!named(row.switches[i])) continue;
            s.*row.field = row.values[i];
            return true;
        }
    }
    return false;
}

void RunToggle(AppState& s, const ToggleRow& row) {
    if (row.refused && row.refused(s)) return;
    bool& value = Flag(s, row);
    value = !value;
    if (value && row.clears) s.*row.clears = false;
    if (row.after) row.after(s);
}

void RunChoice(AppState& s, const ChoiceRow& row, int command) {
    const int32_t value = row.values[command - row.first];
    if (row.choose) row.choose(s, value);
    else s.*row.field = value;
    if (row.after) row.after(s);
}
