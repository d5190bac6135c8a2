#include "platform/linux/x11/X11MonitorLayout.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <memory>

#include "platform/linux/x11/X11ErrorTrap.h"
#include "platform/linux/x11/X11Property.h"

namespace {

struct ResourcesDeleter {
    void operator()(XRRScreenResources* resources) const { XRRFreeScreenResources(resources); }
};
struct OutputDeleter {
    void operator()(XRROutputInfo* output) const { XRRFreeOutputInfo(output); }
};

// Outputs that show something: connected and driven by a CRTC.
std::vector<std::string> ActiveOutputNames(Display* display, Window root) {
    int eventBase = 0;
    int errorBase = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase)) {
        return {};
    }
    const std::unique_ptr<XRRScreenResources, ResourcesDeleter> resources(
        XRRGetScreenResourcesCurrent(display, root));
    if (!resources) {
        return {};
    }
    std::vector<std::string> names;
    for (int index = 0; index < resources->noutput; ++index) {
        const std::unique_ptr<XRROutputInfo, OutputDeleter> output(
            XRRGetOutputInfo(display, resources.get(), resources->outputs[index]));
        if (output && output->connection == RR_Connected && output->crtc != None) {
            names.emplace_back(output->name, output->nameLen);
        }
    }
    return names;
}

// _NET_NUMBER_OF_DESKTOPS as the window manager publishes it; one without a window manager.
int WorkspaceCount(Display* display, Window root) {
    const Atom property = XInternAtom(display, "_NET_NUMBER_OF_DESKTOPS", True);
    if (property == None) {
        return 1;
    }
    const auto workspaces =
        static_cast<long>(ReadSingleLongProperty(display, root, property, XA_CARDINAL).value_or(1));
    constexpr long kMostWorkspaces = 64;
    return workspaces >= 1 && workspaces <= kMostWorkspaces ? static_cast<int>(workspaces) : 1;
}

}  // namespace

X11MonitorLayout X11MonitorLayout::Query() {
    X11MonitorLayout layout;
    // Queries that fail just find nothing.
    const X11ErrorTrap errors;
    const X11Connection display(XOpenDisplay(nullptr));
    if (!display) {
        return layout;
    }
    layout.screen = DefaultScreen(display.get());
    layout.width = DisplayWidth(display.get(), layout.screen);
    layout.height = DisplayHeight(display.get(), layout.screen);
    const Window root = RootWindow(display.get(), layout.screen);
    layout.monitors = ActiveOutputNames(display.get(), root);
    layout.workspaces = WorkspaceCount(display.get(), root);
    return layout;
}

std::optional<PictureSize> X11MonitorLayout::ScreenSize() const {
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    return PictureSize{width, height};
}
