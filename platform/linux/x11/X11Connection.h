#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

// A connection of our own to the X server named by DISPLAY, closed with this object. Xlib reports
// errors to one handler for the whole process, which the toolkit's thread uses too; here each
// request that can fail is checked on its own cookie, so an error stays with the request that
// caused it, and a lost connection is a state to test rather than the end of the process.
class X11Connection final {
public:
    X11Connection();
    // Requests sent reach the server before the connection closes.
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    // Connected, and the connection has not broken since.
    bool IsUsable() const;
    xcb_connection_t* Get() const { return connection; }
    // DISPLAY's screen and its number; no screen without a usable connection.
    const xcb_screen_t* Screen() const;
    int ScreenNumber() const { return screenNumber; }

    // Keeps a checked request's cookie for AllSucceeded.
    void Expect(xcb_void_cookie_t cookie);
    // Whether the server accepted every expected request (waiting for its answers) and the
    // connection still works. Forgets the requests.
    bool AllSucceeded();

    // The atom of a name; XCB_ATOM_NONE when the request fails or, with onlyIfExists, when no
    // client has made it yet.
    xcb_atom_t Atom(const char* name, bool onlyIfExists);
    // As Atom for each name, all asked at once: one wait for the server, not one per name.
    std::vector<xcb_atom_t> Atoms(std::initializer_list<const char*> names, bool onlyIfExists);
    // The one 32-bit value of a window property of the given type, or nothing when the property
    // is missing or holds something else.
    std::optional<std::uint32_t> ReadSingleProperty(xcb_window_t window, xcb_atom_t property,
                                                    xcb_atom_t type);

private:
    int screenNumber = 0;
    xcb_connection_t* connection;
    std::vector<xcb_void_cookie_t> expected;
};

struct X11ReplyDeleter {
    void operator()(void* reply) const { std::free(reply); }
};

// A reply as xcb hands it over, to be freed with free().
template <typename Reply>
using X11Reply = std::unique_ptr<Reply, X11ReplyDeleter>;

// Waits for the reply to a request; nothing when the server answered with an error, which is
// dropped with it.
template <typename Reply, typename Cookie>
X11Reply<Reply> WaitForReply(xcb_connection_t* connection,
                             Reply* (*receive)(xcb_connection_t*, Cookie, xcb_generic_error_t**),
                             Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    X11Reply<Reply> reply(receive(connection, cookie, &error));
    std::free(error);
    return reply;
}
