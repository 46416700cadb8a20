// A program for the tests that launch programs: it writes its process id and its arguments
// (each ended by a NUL) into the files "pid" and "args" of its current folder, then shows a
// window titled "Проверочное окно" until it is ended.
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    std::free(r);
    return a;
}

}  // namespace

int main(int argc, char** argv) {
    {
        std::ofstream args("args", std::ios::binary);
        for (int i = 1; i < argc; ++i)
            args << argv[i] << '\0';
    }
    std::ofstream("pid") << ::getpid() << '\n';

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t w = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->white_pixel};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 40, 40, 320, 120, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                      values);
    const std::string title = "Проверочное окно";
    for (xcb_atom_t name : {atom(c, "_NET_WM_NAME"), xcb_atom_t{XCB_ATOM_WM_NAME}}) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, name, atom(c, "UTF8_STRING"), 8,
                            static_cast<std::uint32_t>(title.size()), title.data());
    }
    const char wmClass[] = "velmor_test_window\0Velmor_test_window";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof wmClass, wmClass);
    xcb_map_window(c, w);
    xcb_flush(c);
    while (xcb_generic_event_t* e = xcb_wait_for_event(c))
        std::free(e);
    xcb_disconnect(c);
    return 0;
}
