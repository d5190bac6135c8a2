# vornk_qt_window_class(OUTPUT VERSION DEBUG_SUFFIX)
# The window class that Qt's Windows platform plugin registers for a normal top-level widget
# window such as our main window: "Qt", the digits of the Qt version, "d" for a debug Qt, then
# "QWindowIcon" (Qt 6.4.2 release: "Qt642QWindowIcon"). A Qt built inside a namespace would add
# the namespace after the "d"; the Qt builds we use have none.
function(vornk_qt_window_class output version debug_suffix)
    string(REPLACE "." "" digits "${version}")
    set(${output} "Qt${digits}${debug_suffix}QWindowIcon" PARENT_SCOPE)
endfunction()
