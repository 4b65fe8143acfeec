// Parsing of resource scripts: comments, preprocessor lines (#define NAME number is
// remembered, the rest skipped), STRINGTABLE blocks and `name TYPE "file"` statements.
#include "rc/rc_script.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace tw::rc {

namespace {

struct Token {
    enum class Kind { End, Word, Number, String, Comma, Open, Close } kind = Kind::End;
    std::string text;  // word text, or the decoded string
    uint32_t number = 0;
    int line = 0;
};

class Lexer {
public:
    Lexer(std::string_view text, std::map<std::string, uint32_t>& defines) : s_(text), defines_(defines) {}

    // False with error set on a malformed token.
    bool Next(Token& t, std::string& error) {
        SkipSpace();
        t = Token{};
        t.line = line_;
        if (pos_ >= s_.size()) return true;
        char c = s_[pos_];
        if (c == ',') {
            ++pos_;
            t.kind = Token::Kind::Comma;
            return true;
        }
        if (c == '{' || c == '}') {
            ++pos_;
            t.kind = c == '{' ? Token::Kind::Open : Token::Kind::Close;
            return true;
        }
        if (c == '"') return ReadString(t, error);
        if (std::isdigit(static_cast<unsigned char>(c))) return ReadNumber(t, error);
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t start = pos_;
            while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) ++pos_;
            t.text = std::string(s_.substr(start, pos_ - start));
            auto d = defines_.find(t.text);
            if (d != defines_.end()) {
                t.kind = Token::Kind::Number;
                t.number = d->second;
            } else if (Upper(t.text) == "BEGIN") {
                t.kind = Token::Kind::Open;
            } else if (Upper(t.text) == "END") {
                t.kind = Token::Kind::Close;
            } else {
                t.kind = Token::Kind::Word;
            }
            return true;
        }
        error = std::string("unexpected character '") + c + "'";
        return false;
    }

    int Line() const { return line_; }

    static std::string Upper(std::string s) {
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }

private:
    void SkipSpace() {
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
                atLineStart_ = true;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '/') {
                while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
            } else if (c == '/' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '*') {
                pos_ += 2;
                while (pos_ < s_.size() && !(s_[pos_] == '*' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '/')) {
                    if (s_[pos_] == '\n') ++line_;
                    ++pos_;
                }
                pos_ = pos_ < s_.size() ? pos_ + 2 : pos_;
            } else if (c == '#' && atLineStart_) {
                size_t start = pos_;
                while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
                Directive(s_.substr(start, pos_ - start));
            } else {
                atLineStart_ = false;
                return;
            }
        }
    }

    // #define NAME number is remembered so names can stand for ids; everything else is skipped.
    void Directive(std::string_view line) {
        std::istringstream in{std::string(line.substr(1))};
        std::string word, name, value;
        in >> word >> name >> value;
        if (word != "define" || name.empty() || value.empty()) return;
        char* end = nullptr;
        unsigned long v = std::strtoul(value.c_str(), &end, 0);
        if (end && (*end == 0 || *end == 'L' || *end == 'l' || *end == 'U' || *end == 'u')) defines_[name] = uint32_t(v);
    }

    bool ReadNumber(Token& t, std::string& error) {
        size_t start = pos_;
        while (pos_ < s_.size() && std::isalnum(static_cast<unsigned char>(s_[pos_]))) ++pos_;
        std::string text(s_.substr(start, pos_ - start));
        std::string digits = text;
        while (!digits.empty() && (digits.back() == 'L' || digits.back() == 'l' || digits.back() == 'U' || digits.back() == 'u'))
            digits.pop_back();
        char* end = nullptr;
        unsigned long long v = std::strtoull(digits.c_str(), &end, 0);
        if (digits.empty() || *end != 0 || v > 0xffffffffull) {
            error = "bad number '" + text + "'";
            return false;
        }
        t.kind = Token::Kind::Number;
        t.number = uint32_t(v);
        t.text = text;
        return true;
    }

    static int HexValue(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    bool ReadString(Token& t, std::string& error) {
        t.kind = Token::Kind::String;
        ++pos_;  // opening quote
        for (;;) {
            if (pos_ >= s_.size() || s_[pos_] == '\n') {
                error = "unterminated string";
                return false;
            }
            char c = s_[pos_++];
            if (c == '"') {
                if (pos_ < s_.size() && s_[pos_] == '"') {  // "" stands for one quote
                    t.text += '"';
                    ++pos_;
                    continue;
                }
                return true;
            }
            if (c != '\\') {
                t.text += c;
                continue;
            }
            if (pos_ >= s_.size()) {
                error = "unterminated string";
                return false;
            }
            char e = s_[pos_++];
            switch (e) {
            case 'a': t.text += '\a'; break;
            case 'b': t.text += '\b'; break;
            case 'f': t.text += '\f'; break;
            case 'n': t.text += '\n'; break;
            case 'r': t.text += '\r'; break;
            case 't': t.text += '\t'; break;
            case 'v': t.text += '\v'; break;
            case '\\': t.text += '\\'; break;
            case '"': t.text += '"'; break;
            case '\'': t.text += '\''; break;
            case '?': t.text += '?'; break;
            case 'x': case 'X': {
                int v = 0, n = 0;
                while (n < 2 && pos_ < s_.size() && HexValue(s_[pos_]) >= 0) v = v * 16 + HexValue(s_[pos_++]), ++n;
                if (n == 0) {
                    error = "bad \\x escape";
                    return false;
                }
                t.text += char(v);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    int v = e - '0', n = 1;
                    while (n < 3 && pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '7') v = v * 8 + (s_[pos_++] - '0'), ++n;
                    t.text += char(v & 0xff);
                } else {
                    t.text += '\\';  // unknown escapes stay as written
                    t.text += e;
                }
            }
        }
    }

    std::string_view s_;
    std::map<std::string, uint32_t>& defines_;
    size_t pos_ = 0;
    int line_ = 1;
    bool atLineStart_ = true;
};

bool IsMemoryOption(const std::string& upper) {
    static const std::set<std::string> options = {"DISCARDABLE", "MOVEABLE", "FIXED", "PURE", "IMPURE",
                                                  "PRELOAD", "LOADONCALL", "SHARED", "NONSHARED"};
    return options.count(upper) != 0;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

class Parser {
public:
    Parser(std::string_view text, const std::string& displayName, const std::string& baseDir,
           std::vector<Resource>& out)
        : lex_(text, defines_), name_(displayName), baseDir_(baseDir), out_(out) {}

    bool Run(std::string& error) {
        if (!Advance()) return Fail(error);
        while (tok_.kind != Token::Kind::End) {
            if (tok_.kind == Token::Kind::Word && Lexer::Upper(tok_.text) == "STRINGTABLE") {
                if (!StringTable()) return Fail(error);
            } else if (tok_.kind == Token::Kind::Word && Lexer::Upper(tok_.text) == "LANGUAGE") {
                if (!Language()) return Fail(error);
            } else if (tok_.kind == Token::Kind::Word || tok_.kind == Token::Kind::Number) {
                if (!FileResource()) return Fail(error);
            } else {
                return Fail(error, tok_.line, "expected a resource statement");
            }
        }
        return true;
    }

private:
    bool Advance() {
        std::string e;
        if (!lex_.Next(tok_, e)) {
            msg_ = e;
            line_ = lex_.Line();
            return false;
        }
        return true;
    }
    bool Error(int line, const std::string& message) {
        line_ = line;
        msg_ = message;
        return false;
    }
    bool Fail(std::string& error) {
        error = name_ + ":" + std::to_string(line_) + ": " + msg_;
        return false;
    }
    bool Fail(std::string& error, int line, const std::string& message) {
        Error(line, message);
        return Fail(error);
    }

    static std::string IdName(uint32_t id) { return "#" + std::to_string(id); }

    bool Add(Resource r, int line) {
        for (const Resource& o : out_)
            if (o.type == r.type && o.name == r.name) return Error(line, "duplicate resource " + r.type + " " + r.name);
        out_.push_back(std::move(r));
        return true;
    }

    bool StringTable() {
        int line = tok_.line;
        if (!Advance()) return false;
        while (tok_.kind == Token::Kind::Word && IsMemoryOption(Lexer::Upper(tok_.text)))
            if (!Advance()) return false;
        if (tok_.kind != Token::Kind::Open) return Error(tok_.line, "expected BEGIN after STRINGTABLE");
        if (!Advance()) return false;
        while (tok_.kind != Token::Kind::Close) {
            if (tok_.kind == Token::Kind::End) return Error(line, "STRINGTABLE without END");
            if (tok_.kind != Token::Kind::Number) return Error(tok_.line, "expected a string id");
            uint32_t id = tok_.number;
            int idLine = tok_.line;
            if (id > 0xffff) return Error(idLine, "string id out of range");
            if (!Advance()) return false;
            if (tok_.kind == Token::Kind::Comma && !Advance()) return false;
            if (tok_.kind != Token::Kind::String) return Error(tok_.line, "expected a string");
            std::string text = tok_.text;
            if (!Advance()) return false;
            Resource r{IdName(6), IdName(id), std::vector<uint8_t>(text.begin(), text.end())};
            if (!Add(std::move(r), idLine)) return false;
        }
        return Advance();
    }

    bool Language() {
        // LANGUAGE primary, secondary
        if (!Advance()) return false;
        if (tok_.kind != Token::Kind::Number && tok_.kind != Token::Kind::Word) return Error(tok_.line, "bad LANGUAGE");
        if (!Advance()) return false;
        if (tok_.kind != Token::Kind::Comma) return Error(tok_.line, "bad LANGUAGE");
        if (!Advance()) return false;
        if (tok_.kind != Token::Kind::Number && tok_.kind != Token::Kind::Word) return Error(tok_.line, "bad LANGUAGE");
        return Advance();
    }

    bool FileResource() {
        int line = tok_.line;
        std::string name;
        if (tok_.kind == Token::Kind::Number) {
            if (tok_.number > 0xffff) return Error(line, "resource id out of range");
            name = IdName(tok_.number);
        } else {
            name = Lexer::Upper(tok_.text);
        }
        if (!Advance()) return false;
        std::string typeWord;
        std::string type;
        if (tok_.kind == Token::Kind::Number) {
            if (tok_.number == 0 || tok_.number > 0xffff) return Error(tok_.line, "resource type out of range");
            type = IdName(tok_.number);
        } else if (tok_.kind == Token::Kind::Word) {
            typeWord = Lexer::Upper(tok_.text);
            if (typeWord == "BITMAP") type = IdName(2);
            else if (typeWord == "CURSOR") type = IdName(12);
            else if (typeWord == "ICON") type = IdName(14);
            else if (typeWord == "DIALOG" || typeWord == "DIALOGEX" || typeWord == "MENU" || typeWord == "ACCELERATORS" ||
                     typeWord == "VERSIONINFO" || typeWord == "MENUEX")
                return Error(tok_.line, "unsupported resource type " + typeWord);
            else type = typeWord;
        } else {
            return Error(tok_.line, "expected a resource type after " + name);
        }
        if (!Advance()) return false;
        while (tok_.kind == Token::Kind::Word && IsMemoryOption(Lexer::Upper(tok_.text)))
            if (!Advance()) return false;
        if (tok_.kind != Token::Kind::String) return Error(tok_.line, "expected a file name");
        std::string file = tok_.text;
        int fileLine = tok_.line;
        if (!Advance()) return false;

        std::string path = file;
        if (!file.empty() && file[0] != '/' && !baseDir_.empty()) path = baseDir_ + "/" + file;
        std::vector<uint8_t> data;
        if (!ReadFile(path, data)) return Error(fileLine, "cannot read \"" + file + "\"");
        if (typeWord == "BITMAP") {
            // A bitmap resource is the file without its 14-byte file header.
            if (data.size() < 14 + 12 || data[0] != 'B' || data[1] != 'M')
                return Error(fileLine, "\"" + file + "\" is not a BMP file");
            data.erase(data.begin(), data.begin() + 14);
        }
        return Add(Resource{type, name, std::move(data)}, line);
    }

    std::map<std::string, uint32_t> defines_;
    Lexer lex_;
    Token tok_;
    std::string name_;
    std::string baseDir_;
    std::vector<Resource>& out_;
    int line_ = 0;
    std::string msg_;
};

}  // namespace

bool ParseScript(std::string_view text, const std::string& displayName, const std::string& baseDir,
                 std::vector<Resource>& out, std::string& error) {
    out.clear();
    Parser parser(text, displayName, baseDir, out);
    return parser.Run(error);
}

bool CompileFile(const std::string& path, std::vector<Resource>& out, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, bytes)) {
        error = path + ":0: cannot read the script";
        return false;
    }
    size_t slash = path.find_last_of('/');
    std::string baseDir = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    std::string text(bytes.begin(), bytes.end());
    return ParseScript(text, path, baseDir, out, error);
}

std::string EmitSource(const std::vector<Resource>& resources, const std::string& scriptName) {
    std::string s;
    s += "// Resources compiled from " + scriptName + " by twrc; regenerated on every build.\n";
    s += "#include <cstddef>\n\n";
    s += "namespace tw::kernel {\n";
    s += "void RegisterResource(const char* type, const char* name, const void* data, std::size_t size);\n";
    s += "}\n\nnamespace {\n\n";
    char buf[8];
    for (size_t i = 0; i < resources.size(); ++i) {
        const Resource& r = resources[i];
        s += "// " + r.type + " " + r.name + "\n";
        s += "alignas(8) const unsigned char kData" + std::to_string(i) + "[" + std::to_string(r.data.size() + 1) + "] =\n";
        if (r.data.empty()) s += "    \"\"";
        for (size_t j = 0; j < r.data.size(); j += 32) {
            s += "    \"";
            for (size_t k = j; k < r.data.size() && k < j + 32; ++k) {
                std::snprintf(buf, sizeof buf, "\\%03o", r.data[k]);
                s += buf;
            }
            s += "\"";
            if (j + 32 < r.data.size()) s += "\n";
        }
        s += ";\n";
    }
    auto quoted = [](const std::string& v) {
        std::string q = "\"";
        for (char c : v) {
            if (c == '"' || c == '\\') q += '\\';
            q += c;
        }
        return q + "\"";
    };
    s += "\nstruct Registrar {\n    Registrar() {\n";
    for (size_t i = 0; i < resources.size(); ++i) {
        const Resource& r = resources[i];
        s += "        tw::kernel::RegisterResource(" + quoted(r.type) + ", " + quoted(r.name) + ", kData" +
             std::to_string(i) + ", " + std::to_string(r.data.size()) + ");\n";
    }
    s += "    }\n} registrar;\n\n}  // namespace\n";
    return s;
}

}  // namespace tw::rc
