#!/usr/bin/env bash
# Holds our Win32 headers (platform/include) against the real ones that the Windows build uses
# (MinGW-w64's), for 32-bit Windows: every constant we define must have the real value, every
# structure the real size, alignment, member offsets and member sizes, and every function and
# callback type the real number, sizes and kinds of parameters and result. Prints each
# difference and exits 1 when there is any.
#   scripts/windows_headers.sh [INCLUDE_DIR]    default: platform/include
set -euo pipefail
# shellcheck source=scripts/windows_common.sh
. "$(dirname "$0")/windows_common.sh"

# TW_HEADERS_CXX=x86_64-w64-mingw32-g++ holds them against 64-bit Windows instead.
cxx=${TW_HEADERS_CXX:-i686-w64-mingw32-g++}
command -v "$cxx" >/dev/null || { echo "windows_headers: $cxx is missing: run scripts/windows_build.sh"; exit 1; }
# TW_KEEP=1 keeps the scratch folder.
tw_work
work=$TW_WORK

python3 - "${1:-$tw_root/platform/include}" "$work" "$cxx" <<'EOF'
import os, re, subprocess, sys

include, work, cxx = sys.argv[1:4]
headers = ["windows.h", "mmsystem.h", "ddraw.h", "commdlg.h", "shlobj.h"]
sources = []
for root, _, files in os.walk(include):
    for f in sorted(files):
        if f.endswith(".h"):
            path = os.path.join(root, f)
            text = open(path).read()
            # Join continued lines, drop comments.
            text = re.sub(r"\\\n", " ", text)
            text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
            text = re.sub(r"//[^\n]*", "", text)
            sources.append((os.path.relpath(path, include), text))

# Markers of the calling convention and of the language, not values.
not_values = {"WINAPI", "CALLBACK", "APIENTRY", "STDMETHODCALLTYPE", "FAR", "NEAR", "CONST", "VOID", "NULL"}
constants = []
structs = {}
functions = []
callbacks = []
for name, text in sources:
    for m in re.finditer(r"^[ \t]*#define[ \t]+(\w+)[ \t]+(\S.*?)[ \t]*$", text, re.M):
        if m.group(1) not in not_values:
            constants.append((m.group(1), m.group(2), name))
    for m in re.finditer(r"typedef\s+struct\s+\w*\s*\{(.*?)\}\s*(\w+)", text, re.S):
        structs[m.group(2)] = (m.group(1), name)
    for m in re.finditer(r"\bWINAPI\s+(\w+)\s*\(", text):
        functions.append((m.group(1), name))
    for m in re.finditer(r"typedef\s+[\w\s\*]+?\(\s*CALLBACK\s*\*\s*(\w+)\s*\)", text):
        callbacks.append((m.group(1), name))

def members(body):
    out = []
    for decl in body.split(";"):
        decl = decl.strip()
        if not decl:
            continue
        decl = re.sub(r"\[[^\]]*\]", "", decl)
        # "TYPE a, b" declares a and b.
        first, *rest = decl.split(",")
        names = [first.split()[-1].lstrip("*")] + [r.strip().lstrip("*") for r in rest]
        out.extend(n for n in names if re.fullmatch(r"\w+", n))
    return out

common = r"""
#include <cstddef>
#include <type_traits>
template <class T> constexpr int tw_code() {
    using U = std::remove_cv_t<T>;
    if constexpr (std::is_void_v<U>) return 0;
    else if constexpr (std::is_pointer_v<U>) {
        using P = std::remove_pointer_t<U>;
        return 1000 + (std::is_const_v<P> ? 100 : 0) + (std::is_function_v<P> ? 200 : 0) + (int)sizeof(U);
    } else if constexpr (std::is_enum_v<U> || std::is_integral_v<U>)
        return (std::is_signed_v<U> ? 2000 : 3000) + (int)sizeof(U);
    else if constexpr (std::is_floating_point_v<U>) return 4000 + (int)sizeof(U);
    else return 5000 + (int)sizeof(U);
}
template <class F> struct TwSig;
template <class R, class... A> struct TwSig<R (*)(A...)> {
    static constexpr int v[] = {1, (int)sizeof...(A), tw_code<R>(), tw_code<A>()...};
};
template <class R, class... A> struct TwSig<R (*)(A..., ...)> {
    static constexpr int v[] = {2, (int)sizeof...(A), tw_code<R>(), tw_code<A>()...};
};
#if defined(TW_REAL) && !defined(_WIN64)
template <class R, class... A> struct TwSig<R (__stdcall*)(A...)> {
    static constexpr int v[] = {3, (int)sizeof...(A), tw_code<R>(), tw_code<A>()...};
};
#endif
"""

def layout_and_sig_source(real):
    lines = ["#define TW_REAL 1" if real else ""]
    lines += ["#include <%s>" % h for h in headers]
    lines.append(common)
    for s, (body, _) in sorted(structs.items()):
        ms = members(body)
        vals = ["sizeof(%s)" % s, "alignof(%s)" % s]
        for m in ms:
            vals += ["offsetof(%s, %s)" % (s, m), "sizeof(((%s*)nullptr)->%s)" % (s, m)]
        lines.append('extern "C" const unsigned tw_lay_%s[] = {%s};' % (s, ", ".join(vals)))
    for f, _ in functions:
        lines.append('extern "C" const int* const tw_sig_%s = TwSig<decltype(&%s)>::v;' % (f, f))
    for c, _ in callbacks:
        lines.append('extern "C" const int* const tw_sig_%s = TwSig<%s>::v;' % (c, c))
    return "\n".join(lines) + "\n"

def compile_to_asm(src_name, text, extra):
    path = os.path.join(work, src_name)
    open(path, "w").write(text)
    out = path[:-4] + ".s"
    r = subprocess.run([cxx, "-std=c++20", "-O1", "-S", "-fmax-errors=0", "-o", out, path] + extra,
                       capture_output=True, text=True)
    return r, out

def read_arrays(asm):
    # Every label's .long values, in order; pointers to the static signature arrays followed.
    arrays, cur = {}, None
    for line in open(asm):
        line = line.strip()
        m = re.match(r"^(_?[\w$.]+):$", line)
        if m:
            cur = m.group(1).lstrip("_")
            arrays[cur] = []
            continue
        m = re.match(r"^\.(?:long|quad)\s+(\S+)$", line)
        if m and cur is not None:
            v = m.group(1)
            arrays[cur].append(int(v) if re.fullmatch(r"-?\d+", v) else v.lstrip("_"))
    return arrays

problems = []
notes = []
# Ranges that grew with later versions of Windows (WM_UNICHAR, the wheel and X buttons).
version_dependent = {"WM_KEYLAST", "WM_MOUSELAST"}

# Constants: compiled against the real headers; each differing or missing one fails an assertion.
lines = ["#include <%s>" % h for h in headers]
lines.append("#include <cstdint>")
# Resource ids compared as the numbers they are.
lines += ["#undef MAKEINTRESOURCEA", "#define MAKEINTRESOURCEA(i) ((std::uint32_t)(WORD)(i))"]
lines += ["#undef MAKEINTRESOURCEW", "#define MAKEINTRESOURCEW(i) ((std::uint32_t)(WORD)(i))"]
lines.append("template <class A, class B> constexpr bool tw_same(A a, B b) { return (std::uint32_t)a == (std::uint32_t)b; }")
where = {}
function_like = {m.group(1) for _, text in sources for m in re.finditer(r"#define[ \t]+(\w+)\(", text)}
for name, value, hdr in constants:
    if value in function_like:
        continue  # another name for a function-like macro
    lines.append("#ifndef %s" % name)
    where[len(lines) + 1] = (name, value, hdr, "missing")
    lines.append('static_assert(false, "missing");')
    lines.append("#else")
    where[len(lines) + 1] = (name, value, hdr, "value")
    lines.append("static_assert(tw_same((%s), (%s)));" % (name, value))
    lines.append("#endif")
r, _ = compile_to_asm("constants.cpp", "\n".join(lines) + "\n", ["-fsyntax-only"])
seen = set()
for m in re.finditer(r"constants\.cpp:(\d+):\d+: error: ([^\n]*)", r.stderr):
    line = int(m.group(1))
    if line in where and line not in seen:
        seen.add(line)
        name, value, hdr, kind = where[line]
        if kind == "missing":
            problems.append("%s: %s is not in the real headers" % (hdr, name))
        elif "static assertion failed" not in m.group(2):
            notes.append("%s: %s (%s) is not a number; compare it by eye" % (hdr, name, value))
        elif name in version_dependent:
            notes.append("%s: %s is %s here; the real headers' value depends on the Windows version targeted"
                         % (hdr, name, value))
        else:
            problems.append("%s: %s is %s here, not what the real headers say" % (hdr, name, value))
if r.returncode and not seen:
    print(r.stderr[:4000])
    sys.exit("windows_headers: the constant check did not compile")

# Structures, functions and callbacks: the same source compiled once against our headers and
# once against the real ones, for 32-bit Windows; the numbers it leaves in the assembly compared.
ours_src = layout_and_sig_source(False)
real_src = layout_and_sig_source(True)
r1, ours_asm = compile_to_asm("ours.cpp", ours_src, ["-I" + include])
r2, real_asm = compile_to_asm("real.cpp", real_src, [])
for r, what in ((r1, "our headers"), (r2, "the real headers")):
    if r.returncode:
        print(r.stderr[:6000])
        sys.exit("windows_headers: the layout check did not compile with %s" % what)
ours, real = read_arrays(ours_asm), read_arrays(real_asm)

def deref(arrays, name):
    v = arrays.get(name, [])
    if len(v) == 1 and isinstance(v[0], str):
        return arrays.get(v[0], [])
    return v

kinds = {0: "void", 1: "pointer", 2: "signed", 3: "unsigned", 4: "float", 5: "struct"}
def describe(code):
    if code == 0:
        return "void"
    k, rest = divmod(code, 1000)
    text = "%s %d bytes" % (kinds.get(k, "?"), rest % 100)
    if k == 1 and rest >= 200:
        text = "function " + text
    if k == 1 and rest % 200 >= 100:
        text = "const " + text
    return text

for s, (_, hdr) in sorted(structs.items()):
    a, b = ours.get("tw_lay_" + s), real.get("tw_lay_" + s)
    if a != b:
        ms = ["size", "alignment"]
        for m in members(structs[s][0]):
            ms += ["offset of " + m, "size of " + m]
        diffs = ["%s %s here, %s real" % (ms[i], x, y) for i, (x, y) in enumerate(zip(a or [], b or [])) if x != y]
        problems.append("%s: struct %s differs: %s" % (hdr, s, "; ".join(diffs) or "missing"))

conventions = {1: "plain", 2: "variadic", 3: "stdcall"}
for f, hdr in functions + callbacks:
    a, b = deref(ours, "tw_sig_" + f), deref(real, "tw_sig_" + f)
    if not a or not b:
        problems.append("%s: %s could not be compared" % (hdr, f))
        continue
    # Our headers leave WINAPI empty; only a variadic function must stay variadic.
    if (a[0] == 2) != (b[0] == 2):
        problems.append("%s: %s is %s here, %s in the real headers" % (hdr, f, conventions[a[0]], conventions[b[0]]))
    if a[1] != b[1]:
        problems.append("%s: %s takes %d parameters here, %d in the real headers" % (hdr, f, a[1], b[1]))
        continue
    for i, (x, y) in enumerate(zip(a[2:], b[2:])):
        if x != y:
            what = "result" if i == 0 else "parameter %d" % i
            problems.append("%s: %s %s is %s here, %s in the real headers" % (hdr, f, what, describe(x), describe(y)))

print("windows_headers: %d constants, %d structures, %d functions and %d callback types compared"
      % (len(constants), len(structs), len(functions), len(callbacks)))
for p in problems:
    print("  " + p)
for n in notes:
    print("  note: " + n)
if problems:
    print("windows_headers: FAIL (%d differences)" % len(problems))
    sys.exit(1)
print("windows_headers: PASS")
EOF
