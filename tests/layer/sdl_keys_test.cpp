// The SDL host's key translation: every key the program or a dialog reacts to reaches it with
// the virtual-key code Windows would give, and keys the layer does not know are dropped.
#include <gtest/gtest.h>

#include "host/sdl/keymap.h"

namespace {

using tw::sdl::VirtualKeyFromSdl;

TEST(SdlKeys, LettersAndDigitsBecomeTheirUpperCaseCharacterCodes) {
    for (SDL_Keycode k = SDLK_a; k <= SDLK_z; ++k) {
        EXPECT_EQ(VirtualKeyFromSdl(k), static_cast<unsigned>('A' + (k - SDLK_a))) << "key " << k;
    }
    for (SDL_Keycode k = SDLK_0; k <= SDLK_9; ++k) {
        EXPECT_EQ(VirtualKeyFromSdl(k), static_cast<unsigned>('0' + (k - SDLK_0))) << "key " << k;
    }
    // The neighbours of the ranges are not letters or digits.
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_BACKQUOTE), 0u);  // just before 'a'
    EXPECT_EQ(VirtualKeyFromSdl('{'), 0u);             // just after 'z'
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_SLASH), 0u);      // just before '0'
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_COLON), 0u);      // just after '9'
}

TEST(SdlKeys, FunctionKeysRunFromF1ToF12) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1), static_cast<unsigned>(VK_F1));
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F4), static_cast<unsigned>(VK_F4));  // Alt+F4 closes the window
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F12), 0x7Bu);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F13), 0u);
}

TEST(SdlKeys, NavigationEditingAndModifierKeys) {
    struct {
        SDL_Keycode sdl;
        unsigned vk;
    } const cases[] = {
        {SDLK_LEFT, VK_LEFT},       {SDLK_RIGHT, VK_RIGHT},   {SDLK_UP, VK_UP},
        {SDLK_DOWN, VK_DOWN},       {SDLK_PAGEUP, VK_PRIOR},  {SDLK_PAGEDOWN, VK_NEXT},
        {SDLK_HOME, VK_HOME},       {SDLK_END, VK_END},       {SDLK_RETURN, VK_RETURN},
        {SDLK_KP_ENTER, VK_RETURN}, {SDLK_ESCAPE, VK_ESCAPE}, {SDLK_SPACE, VK_SPACE},
        {SDLK_TAB, VK_TAB},         {SDLK_BACKSPACE, VK_BACK}, {SDLK_INSERT, VK_INSERT},
        {SDLK_DELETE, VK_DELETE},   {SDLK_LSHIFT, VK_SHIFT},  {SDLK_RSHIFT, VK_SHIFT},
        {SDLK_LCTRL, VK_CONTROL},   {SDLK_RCTRL, VK_CONTROL}, {SDLK_LALT, VK_MENU},
        {SDLK_RALT, VK_MENU},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VirtualKeyFromSdl(c.sdl), c.vk) << "key " << c.sdl;
    }
}

TEST(SdlKeys, UnknownKeysAreDropped) {
    for (SDL_Keycode k : {SDLK_UNKNOWN, SDLK_CAPSLOCK, SDLK_LGUI, SDLK_PRINTSCREEN, SDLK_KP_1, SDLK_MENU,
                          SDLK_VOLUMEUP}) {
        EXPECT_EQ(VirtualKeyFromSdl(k), 0u) << "key " << k;
    }
}

}  // namespace
