// String-table messages in two fixed slots, and the assertion box.
#include "support/support.h"

#include "app/tintwell.h"

#define MSG_SLOT_BYTES 512

static char szMsgSlot[2][MSG_SLOT_BYTES];

// Slot 0 holds a box's text and slot 1 its caption, so both stay valid together. A slot's text
// lasts until the next load into the same slot; a missing string leaves the slot empty.
LPSTR LoadMsg(UINT id, int slot)
{
    char* buffer = szMsgSlot[slot ? 1 : 0];
    buffer[0] = '\0';
    if (LoadStringA(hInst, id, buffer, MSG_SLOT_BYTES - 1) <= 0)
        buffer[0] = '\0';
    return buffer;
}

// Shows the assertion box. OK goes on; Cancel destroys the main window, which shuts the
// program down. The caller carries on with its own failure handling either way.
void AssertFail(LPCSTR expression, LPCSTR module, unsigned line)
{
    char text[512];
    // The expressions and module names are the program's own short literals.
    wsprintfA(text, "at line %u in file %s: \"%s\": OK to continue.", line, module, expression);
    MessageBeep(MB_OK);
    int answer = MessageBoxA(hWndMain, text, "ASSERTION FAILURE", MB_OKCANCEL | MB_ICONERROR | MB_TASKMODAL);
    if (answer != IDOK)
        DestroyWindow(hWndMain);
}
