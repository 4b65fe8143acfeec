// New pages from pictures: a picture dropped on the window, or handed over by a second start of
// the program, becomes a colouring page in place of the page on screen. The page maker,
// tintwell-pages beside the program, makes it as a child process into the page's slot, keeping
// the page it replaces, while the window goes on painting and the music goes on. Without the page
// maker beside the program the window takes no files.
#include "app/newpage.h"

#include "app/mainwnd.h"
#include "app/tintwell.h"
#include "page/page.h"
#include "support/ids.h"
#include "support/support.h"

#include <shellapi.h>

#include <cstring>

#define WM_OFFERPICTURE (WM_USER + 2)
#define REASON_BYTES 800
#define PAGE_MAKER_NAME "tintwell-pages"
// Page maker exit statuses: 0 done, 2 nothing done (with its reason), 3 a poor page, not written.
#define PAGE_MAKER_DONE 0

static char szPageMaker[MAX_PATH];
static char szPicture[PICTURE_PATH_BYTES];  // the picture waiting to be offered, or ""

void AcceptPictures(HWND hwnd)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    char* slash = strrchr(path, '/');
    char* backslash = strrchr(path, '\\');
    if (backslash > slash)
        slash = backslash;
    if (!slash || (size_t)(slash + 1 - path) + sizeof PAGE_MAKER_NAME > MAX_PATH)
        return;
    strcpy(slash + 1, PAGE_MAKER_NAME);
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    strcpy(szPageMaker, path);
    DragAcceptFiles(hwnd, TRUE);
}

// The page screen with nothing else running: no fill, clear, dialog or print job.
static int ReadyForPicture()
{
    return szPageMaker[0] && ScreenState == SCREEN_RUNNING && !BusyFlag && bPageLoaded && IsWindowEnabled(hWndMain);
}

static int KeepPicture(LPCSTR path, size_t length)
{
    if (!ReadyForPicture() || length == 0 || length >= PICTURE_PATH_BYTES || memchr(path, 0, length))
        return 0;
    memcpy(szPicture, path, length);
    szPicture[length] = '\0';
    PostMessageA(hWndMain, WM_OFFERPICTURE, 0, 0);
    return 1;
}

void OfferPictureLater(LPCSTR path)
{
    size_t length = strlen(path);
    if (length == 0 || length >= PICTURE_PATH_BYTES)
        return;
    memcpy(szPicture, path, length + 1);
}

void OfferWaitingPicture()
{
    if (szPicture[0])
        PostMessageA(hWndMain, WM_OFFERPICTURE, 0, 0);
}

int SendPictureTo(HWND hwndOther, LPCSTR path)
{
    COPYDATASTRUCT cds;
    cds.dwData = COPYDATA_PICTURE;
    cds.cbData = (DWORD)strlen(path);
    cds.lpData = (PVOID)path;
    return SendMessageA(hwndOther, WM_COPYDATA, 0, (LPARAM)&cds) != 0;
}

// One argument of a command line, quoted so that the child reads it back as it is.
static int AppendArgument(char* line, size_t size, LPCSTR argument)
{
    size_t at = strlen(line);
    auto put = [&](char c) {
        if (at + 1 >= size)
            return 0;
        line[at++] = c;
        line[at] = '\0';
        return 1;
    };
    if (at && !put(' '))
        return 0;
    if (!put('"'))
        return 0;
    size_t slashes = 0;
    for (LPCSTR p = argument; *p; p++) {
        if (*p == '\\') {
            slashes++;
        } else {
            // Backslashes before a quote are doubled and the quote escaped.
            for (size_t i = 0; *p == '"' && i < slashes + 1; i++)
                if (!put('\\'))
                    return 0;
            slashes = 0;
        }
        if (!put(*p))
            return 0;
    }
    for (size_t i = 0; i < slashes; i++)
        if (!put('\\'))
            return 0;
    return put('"');
}

// Copies what fits of `from` into `to` (size bytes), always ended.
static void CopyCut(char* to, size_t size, LPCSTR from)
{
    size_t length = strlen(from);
    if (length >= size)
        length = size - 1;
    memcpy(to, from, length);
    to[length] = '\0';
}

static LPCSTR FileName(LPCSTR path)
{
    LPCSTR slash = strrchr(path, '/');
    LPCSTR backslash = strrchr(path, '\\');
    if (backslash > slash)
        slash = backslash;
    return slash ? slash + 1 : path;
}

// The page maker's one line on its error output, without its own name and line end.
static void ReadReason(HANDLE hRead, char* reason)
{
    DWORD total = 0, got = 0;
    while (total < REASON_BYTES - 1 && ReadFile(hRead, reason + total, REASON_BYTES - 1 - total, &got, NULL) && got)
        total += got;
    reason[total] = '\0';
    char* end = strchr(reason, '\n');
    if (end)
        *end = '\0';
    static const char prefix[] = PAGE_MAKER_NAME ": ";
    if (strncmp(reason, prefix, sizeof prefix - 1) == 0)
        memmove(reason, reason + sizeof prefix - 1, strlen(reason) - (sizeof prefix - 1) + 1);
    // Its advice to force a poor page is for its own command line, not for this one.
    char* force = strstr(reason, " (--force");
    if (force)
        *force = '\0';
}

// Waits for the child while answering paints, timers and the music; input is ignored meanwhile,
// as during a fill. A quit that arrives is put back for the main loop.
static void WaitAnswering(HANDLE hProcess)
{
    int quit = 0;
    WPARAM quitCode = 0;
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjects(1, &hProcess, FALSE, INFINITE, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = 1;
                quitCode = msg.wParam;
                continue;
            }
            // Input, closing the window among it, waits for no one here.
            if ((msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
                (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) || msg.message == WM_SYSCOMMAND)
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (quit)
        PostQuitMessage((int)quitCode);
}

// Runs the page maker on the picture into the slot of the page on screen. Returns its exit status
// (-1 when it could not be run), its reason in `reason` when it made nothing.
static int RunPageMaker(LPCSTR picture, char* reason)
{
    reason[0] = '\0';
    char folder[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH)
        return -1;
    char slot[2] = {(char)('1' + CurrentPage), '\0'};
    char line[PICTURE_PATH_BYTES + 2 * MAX_PATH + 64] = "";
    if (!AppendArgument(line, sizeof line, szPageMaker) || !AppendArgument(line, sizeof line, "make") ||
        !AppendArgument(line, sizeof line, picture) || !AppendArgument(line, sizeof line, "--slot") ||
        !AppendArgument(line, sizeof line, slot) || !AppendArgument(line, sizeof line, "--pages") ||
        !AppendArgument(line, sizeof line, folder) || !AppendArgument(line, sizeof line, "--from-tintwell"))
        return -1;

    SECURITY_ATTRIBUTES sa = {sizeof sa, NULL, TRUE};
    HANDLE hRead = NULL, hWrite = NULL;
    if (!CreatePipe(&hRead, &hWrite, &sa, 0))
        return -1;
    STARTUPINFOA si;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = NULL;
    si.hStdOutput = NULL;
    si.hStdError = hWrite;
    PROCESS_INFORMATION pi;
    BOOL started = CreateProcessA(szPageMaker, line, NULL, NULL, TRUE, CREATE_NO_WINDOW, NULL, NULL, &si, &pi);
    CloseHandle(hWrite);
    if (!started) {
        CloseHandle(hRead);
        return -1;
    }
    WaitAnswering(pi.hProcess);
    DWORD status = (DWORD)-1;
    if (!GetExitCodeProcess(pi.hProcess, &status))
        status = (DWORD)-1;
    if (status != PAGE_MAKER_DONE)
        ReadReason(hRead, reason);
    CloseHandle(hRead);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)status;
}

static void ShowLoadedPage()
{
    ShowPage();
    HDC hdc = GetDC(hWndMain);
    ShowPageTitle(hdc);
    ReleaseDC(hWndMain, hdc);
}

// Asks, then makes the page. The page on screen is saved first, so that the copy kept of it holds
// the child's colouring.
static void OfferPicture()
{
    char picture[PICTURE_PATH_BYTES];
    CopyCut(picture, sizeof picture, szPicture);
    szPicture[0] = '\0';
    if (!picture[0] || !ReadyForPicture())
        return;

    char title[64];
    CopyCut(title, sizeof title, LoadMsg(IDS_PAGE_TITLE_FIRST + CurrentPage, 0));
    char name[128];
    CopyCut(name, sizeof name, FileName(picture));
    char text[PATH_MSG_BYTES];
    wsprintfA(text, LoadMsg(IDS_MAKE_PAGE_ASK, 0), name, title);
    if (MessageBoxA(hWndMain, text, LoadMsg(IDS_MAKE_PAGE_CAPTION, 1), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (!ReadyForPicture())
        return;
    if (!SavePage(PageFileNames[CurrentPage])) {
        FormatPathMsg(text, IDS_SAVE_FAILED, PageFileNames[CurrentPage]);
        MessageBoxA(hWndMain, text, LoadMsg(IDS_PROGRAM_CAPTION, 1), MB_OK | MB_ICONWARNING);
        return;
    }

    BusyFlag = 1;
    EnableWindow(hWndMain, FALSE);
    hCurrentCursor = hWaitCursor;
    SetCursor(hCurrentCursor);
    char reason[REASON_BYTES];
    int status = RunPageMaker(picture, reason);
    if (status == PAGE_MAKER_DONE) {
        // The slot's file is the new page now; the old one is kept under replaced/.
        bPageLoaded = LoadPage(PageFileNames[CurrentPage]);
        ShowLoadedPage();
    }
    EnableWindow(hWndMain, TRUE);
    BusyFlag = 0;
    hCurrentCursor = hArrowCursor;
    SetCursor(hCurrentCursor);
    RepostMouseMove();
    SetFocus(hWndMain);
    if (status != PAGE_MAKER_DONE) {
        char why[REASON_BYTES + 128];
        // A page maker that could not start, or ended without a word, is told as not started.
        if (status < 0 || !reason[0])
            CopyCut(why, sizeof why, LoadMsg(IDS_PAGE_MAKER_FAILED, 0));
        else
            wsprintfA(why, LoadMsg(IDS_PAGE_NOT_MADE, 0), reason);
        MessageBoxA(hWndMain, why, LoadMsg(IDS_MAKE_PAGE_CAPTION, 1), MB_OK | MB_ICONWARNING);
    }
}

int OnPictureMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    (void)hwnd;
    switch (message) {
    case WM_DROPFILES: {
        // One page is made of the first picture of a drop.
        HDROP hDrop = (HDROP)wParam;
        char path[PICTURE_PATH_BYTES];
        UINT length = DragQueryFileA(hDrop, 0, NULL, 0);
        if (length > 0 && length < PICTURE_PATH_BYTES && DragQueryFileA(hDrop, 0, path, sizeof path) == length)
            KeepPicture(path, length);
        DragFinish(hDrop);
        *result = 0;
        return 1;
    }
    case WM_COPYDATA: {
        // The answer goes back to the sender at once; the question comes after.
        const COPYDATASTRUCT* cds = (const COPYDATASTRUCT*)lParam;
        *result = cds && cds->dwData == COPYDATA_PICTURE && cds->lpData &&
                  KeepPicture((LPCSTR)cds->lpData, cds->cbData);
        return 1;
    }
    case WM_OFFERPICTURE:
        OfferPicture();
        *result = 0;
        return 1;
    default:
        return 0;
    }
}
