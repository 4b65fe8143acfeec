// Reading the settings: the two settings files through the system's profile calls, the
// environment, and the command line split the way Windows programs split theirs.
#include "app/settings.h"

#include <shlobj.h>
#include <string.h>

static const TWSETTINGS Defaults = {FALSE, TRUE, TRUE, TRUE, FALSE, FALSE, "", ""};
TWSETTINGS Settings = Defaults;
char szSettingsText[SETTINGS_TEXT_CHARS];
char szSettingsNotes[SETTINGS_TEXT_CHARS];

// A setting of two values: its key in the file, its option on the command line, the words for
// its two values (the one for FALSE first) and the field that keeps it.
typedef struct tagSETTINGDEF {
    LPCSTR pszKey;
    LPCSTR pszOption;
    LPCSTR pszNo;
    LPCSTR pszYes;
    BOOL TWSETTINGS::*pbValue;
} SETTINGDEF;

static const SETTINGDEF SettingDefs[] = {
    {"Quit", "--quit", "child", "grownup", &TWSETTINGS::bGrownupQuit},
    {"Print", "--print", "off", "on", &TWSETTINGS::bPrint},
    {"Music", "--music", "off", "on", &TWSETTINGS::bMusic},
    {"Sounds", "--sounds", "off", "on", &TWSETTINGS::bSounds},
    {"Window", "--window", "fullscreen", "window", &TWSETTINGS::bWindowed},
    {"FreshPages", "--fresh-pages", "off", "on", &TWSETTINGS::bFreshPages},
};
#define SETTING_COUNT (int)(sizeof SettingDefs / sizeof SettingDefs[0])

static const char szUsage[] =
    "Usage: tintwell [OPTION]... [PICTURE]\n"
    "A colouring program for young children.\n"
    "  PICTURE                     offer to make a colouring page of the picture in place\n"
    "                              of the page on screen (given to Tintwell when it is\n"
    "                              running already)\n"
    "  --quit child|grownup        grownup: Quit only when its button or Q is held\n"
    "                              down for two seconds\n"
    "  --print on|off              off: the Print button and P do nothing\n"
    "  --music on|off              the tune\n"
    "  --sounds on|off             the sounds of filling, clearing and picking a crayon\n"
    "  --window fullscreen|window  the whole screen, or an 800 x 600 window\n"
    "  --fresh-pages on|off        on: the six pictures start clean at every start\n"
    "                              (the coloured ones are kept in replaced/)\n"
    "  --pages FOLDER              keep the pictures in FOLDER\n"
    "  --help                      show this and leave\n"
    "  --version                   show the version and leave\n"
    "Each option but --help and --version is also a setting in the [Tintwell] section\n"
    "of tintwell.ini (Quit=grownup, Print=off, Pages=FOLDER...); the command line wins.\n";
static_assert(sizeof szUsage <= SETTINGS_TEXT_CHARS, "the usage must fit szSettingsText");

static BOOL SameWord(LPCSTR a, LPCSTR b)
{
    for (; *a && *b; a++, b++) {
        char x = *a >= 'A' && *a <= 'Z' ? (char)(*a + 32) : *a;
        char y = *b >= 'A' && *b <= 'Z' ? (char)(*b + 32) : *b;
        if (x != y)
            return FALSE;
    }
    return *a == *b;
}

// 1 for the setting's word for TRUE, 0 for its word for FALSE, -1 for anything else. A setting
// that is on or off also takes yes and no, true and false, 1 and 0.
static int WordValue(const SETTINGDEF* pDef, LPCSTR pszWord)
{
    static const char* const OnWords[] = {"on", "yes", "true", "1"};
    static const char* const OffWords[] = {"off", "no", "false", "0"};
    const BOOL bOnOff = SameWord(pDef->pszYes, "on");
    for (int i = 0; i < (bOnOff ? 4 : 1); i++) {
        if (SameWord(pszWord, bOnOff ? OnWords[i] : pDef->pszYes))
            return 1;
        if (SameWord(pszWord, bOnOff ? OffWords[i] : pDef->pszNo))
            return 0;
    }
    return -1;
}

static const SETTINGDEF* FindOption(LPCSTR pszOption)
{
    for (int i = 0; i < SETTING_COUNT; i++)
        if (strcmp(SettingDefs[i].pszOption, pszOption) == 0)
            return &SettingDefs[i];
    return NULL;
}

// Appends what wsprintfA makes of the format to szText, as far as it fits.
static void Append(char* szText, LPCSTR pszFormat, LPCSTR a, LPCSTR b = "", LPCSTR c = "", LPCSTR d = "",
                   LPCSTR e = "", LPCSTR f = "")
{
    char szLine[1024];
    wsprintfA(szLine, pszFormat, a, b, c, d, e, f);
    const size_t nUsed = strlen(szText);
    strncat(szText, szLine, SETTINGS_TEXT_CHARS - 1 - nUsed);
}

// The settings in one settings file, over those read before.
static void ReadSettingsFile(int csidl)
{
    char szFile[MAX_PATH + 32];
    if (FAILED(SHGetFolderPathA(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, szFile)))
        return;
    // The folder's own separator, so that the file's name reads as the system writes names.
    const char* pszSep = strchr(szFile, '/') ? "/" : "\\";
    strcat(szFile, pszSep);
    strcat(szFile, "tintwell");
    strcat(szFile, pszSep);
    strcat(szFile, "tintwell.ini");

    for (int i = 0; i < SETTING_COUNT; i++) {
        const SETTINGDEF* pDef = &SettingDefs[i];
        char szValue[64];
        if (!GetPrivateProfileStringA(SETTINGS_SECTION, pDef->pszKey, "", szValue, sizeof szValue, szFile))
            continue;
        // The first word; what follows it may be a remark.
        szValue[strcspn(szValue, " \t;")] = 0;
        const int nValue = WordValue(pDef, szValue);
        if (nValue < 0) {
            Append(szSettingsNotes, "%s: %s=%s is neither %s nor %s, so it stays %s\n", szFile, pDef->pszKey, szValue,
                   pDef->pszNo, pDef->pszYes, Settings.*pDef->pbValue ? pDef->pszYes : pDef->pszNo);
            continue;
        }
        Settings.*pDef->pbValue = nValue;
    }
}

// Copies the next argument of the command line into szArg (at most cchArg - 1 characters; *pbFits
// says whether it all went in) and returns where the rest begins, or NULL when there is none.
// Arguments are split at blanks outside double quotes; a double quote inside quotes is written
// as two, or as \"; backslashes are themselves except before a double quote, where each pair
// stands for one.
static LPCSTR NextArgument(LPCSTR p, char* szArg, int cchArg, BOOL* pbFits)
{
    while (*p == ' ' || *p == '\t')
        p++;
    if (!*p)
        return NULL;
    int n = 0;
    *pbFits = TRUE;
    auto put = [&](char c) {
        if (n < cchArg - 1)
            szArg[n++] = c;
        else
            *pbFits = FALSE;
    };
    BOOL bQuoted = FALSE;
    while (*p && (bQuoted || (*p != ' ' && *p != '\t'))) {
        if (*p == '\\') {
            int nSlashes = 0;
            for (; *p == '\\'; p++)
                nSlashes++;
            for (int i = 0; i < (*p == '"' ? nSlashes / 2 : nSlashes); i++)
                put('\\');
            if (*p == '"' && nSlashes % 2)
                put(*p++);
        } else if (*p == '"') {
            if (bQuoted && p[1] == '"')
                put(*++p);
            else
                bQuoted = !bQuoted;
            p++;
        } else {
            put(*p++);
        }
    }
    szArg[n] = 0;
    return p;
}

static int BadCommandLine(LPCSTR pszFormat, LPCSTR a, LPCSTR b = "", LPCSTR c = "", LPCSTR d = "")
{
    szSettingsText[0] = 0;
    Append(szSettingsText, pszFormat, a, b, c, d);
    return SETTINGS_BAD;
}

int ReadCommandLine(LPCSTR lpCmdLine)
{
    static char szOption[SETTINGS_PAGES_CHARS];
    static char szValue[SETTINGS_PAGES_CHARS];
    LPCSTR p = lpCmdLine ? lpCmdLine : "";
    BOOL bFits;
    szSettingsText[0] = 0;
    while ((p = NextArgument(p, szOption, sizeof szOption, &bFits)) != NULL) {
        if (!bFits)
            return BadCommandLine("an argument is too long", "");
        if (strcmp(szOption, "--help") == 0 || strcmp(szOption, "-h") == 0) {
            strcpy(szSettingsText, szUsage);
            return SETTINGS_HELP;
        }
        if (strcmp(szOption, "--version") == 0) {
            Append(szSettingsText, "tintwell %s\n", TW_VERSION);
            return SETTINGS_VERSION;
        }
        // "--option value" or "--option=value"
        char* pszEquals = strncmp(szOption, "--", 2) == 0 ? strchr(szOption, '=') : NULL;
        if (pszEquals)
            *pszEquals = 0;
        const SETTINGDEF* pDef = FindOption(szOption);
        const BOOL bPages = strcmp(szOption, "--pages") == 0;
        if (!pDef && !bPages && szOption[0] && szOption[0] != '-') {
            if (Settings.szPicture[0])
                return BadCommandLine("one picture at a time, not '%s' as well", szOption);
            strcpy(Settings.szPicture, szOption);
            continue;
        }
        if (!pDef && !bPages) {
            if (pszEquals)
                *pszEquals = '=';
            return BadCommandLine("unknown argument '%s'", szOption);
        }
        LPCSTR pszValue = pszEquals ? pszEquals + 1 : NULL;
        if (!pszValue && (p = NextArgument(p, szValue, sizeof szValue, &bFits)) != NULL) {
            if (!bFits)
                return BadCommandLine("an argument is too long", "");
            pszValue = szValue;
        }
        if (bPages) {
            if (!pszValue || !*pszValue)
                return BadCommandLine("--pages needs a folder", "");
            strcpy(Settings.szPages, pszValue);
        } else {
            const int nValue = pszValue ? WordValue(pDef, pszValue) : -1;
            if (nValue < 0)
                return BadCommandLine("%s takes %s or %s", pDef->pszOption, pDef->pszNo, pDef->pszYes);
            Settings.*pDef->pbValue = nValue;
        }
    }
    return SETTINGS_RUN;
}

int ReadSettings(LPCSTR lpCmdLine)
{
    Settings = Defaults;
    szSettingsNotes[0] = 0;
    ReadSettingsFile(CSIDL_COMMON_APPDATA);
    ReadSettingsFile(CSIDL_APPDATA);
    // Set and not 0: a window, as Window=window.
    char szWindowed[8];
    const DWORD nWindowed = GetEnvironmentVariableA("TINTWELL_WINDOWED", szWindowed, sizeof szWindowed);
    if (nWindowed)
        Settings.bWindowed = nWindowed >= sizeof szWindowed || strcmp(szWindowed, "0") != 0;
    return ReadCommandLine(lpCmdLine);
}
