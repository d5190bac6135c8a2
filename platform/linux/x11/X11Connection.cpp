#include "platform/linux/x11/X11Connection.h"

#include <cstring>

X11Connection::X11Connection() : connection(xcb_connect(nullptr, &screenNumber)) {}

X11Connection::~X11Connection() {
    if (IsUsable()) {
        WaitForReply(connection, xcb_get_input_focus_reply, xcb_get_input_focus(connection));
    }
    xcb_disconnect(connection);
}

bool X11Connection::IsUsable() const {
    return xcb_connection_has_error(connection) == 0;
}

const xcb_screen_t* X11Connection::Screen() const {
    if (!IsUsable()) {
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int skipped = 0; skipped < screenNumber && screens.rem > 0; ++skipped) {
        xcb_screen_next(&screens);
    }
    return screens.rem > 0 ? screens.data : nullptr;
}

void X11Connection::Expect(xcb_void_cookie_t cookie) {
    expected.push_back(cookie);
}

bool X11Connection::AllSucceeded() {
    bool succeeded = true;
    for (const xcb_void_cookie_t cookie : expected) {
        xcb_generic_error_t* const error = xcb_request_check(connection, cookie);
        succeeded = succeeded && error == nullptr;
        std::free(error);
    }
    expected.clear();
    // A broken connection reports no error for the requests it lost.
    return succeeded && IsUsable();
}

xcb_atom_t X11Connection::Atom(const char* name, bool onlyIfExists) {
    return Atoms({name}, onlyIfExists).front();
}

std::vector<xcb_atom_t> X11Connection::Atoms(std::initializer_list<const char*> names,
                                             bool onlyIfExists) {
    std::vector<xcb_intern_atom_cookie_t> questions;
    for (const char* name : names) {
        questions.push_back(xcb_intern_atom(connection, onlyIfExists,
                                            static_cast<std::uint16_t>(std::strlen(name)), name));
    }
    std::vector<xcb_atom_t> atoms;
    for (const xcb_intern_atom_cookie_t question : questions) {
        const auto reply = WaitForReply(connection, xcb_intern_atom_reply, question);
        atoms.push_back(reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE});
    }
    return atoms;
}

std::optional<std::uint32_t> X11Connection::ReadSingleProperty(xcb_window_t window,
                                                               xcb_atom_t property,
                                                               xcb_atom_t type) {
    const auto reply = WaitForReply(
        connection, xcb_get_property_reply,
        xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1));
    std::uint32_t value = 0;
    if (!reply || reply->type != type || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) != sizeof value) {
        return std::nullopt;
    }
    std::memcpy(&value, xcb_get_property_value(reply.get()), sizeof value);
    return value;
}
