#include "ctl/json.h"

#include <QSet>
#include <QStringDecoder>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <tuple>

namespace lb::ctl {

QByteArray jsonText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

QByteArray jsonTexts(const QStringList& texts) {
    QByteArray out = "[";
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0) out += ", ";
        out += jsonText(texts[i]);
    }
    return out + ']';
}

const JsonValue* JsonValue::member(const QString& key) const {
    for (const auto& [name, value] : members)
        if (name == key) return &value;
    return nullptr;
}

QString JsonValue::kindName() const {
    switch (kind) {
    case Null:
        return QStringLiteral("null");
    case Bool:
        return QStringLiteral("true or false");
    case Number:
        return QStringLiteral("a number");
    case Text:
        return QStringLiteral("text");
    case Array:
        return QStringLiteral("a list");
    case Object:
        return QStringLiteral("an object");
    }
    return {};
}

namespace {

// Deep enough for any document of sets; a stack never runs out on a hostile one.
constexpr int MaxDepth = 64;

class Reader {
public:
    explicit Reader(const QByteArray& bytes) : s_(bytes) {}

    bool document(JsonValue& out, JsonError& error) {
        // A byte-order mark some editors write is no part of the document.
        if (s_.startsWith("\xEF\xBB\xBF")) pos_ = lineStart_ = 3;
        skipSpace();
        if (!value(out, 0)) return fail(error);
        skipSpace();
        if (pos_ < s_.size()) {
            problem(QStringLiteral("more text after the end of the document"));
            return fail(error);
        }
        return true;
    }

private:
    bool fail(JsonError& error) {
        error = error_;
        return false;
    }
    bool problem(const QString& reason) { return problemAt(pos_, reason); }
    bool problemAt(qsizetype at, const QString& reason) {
        error_.line = line_;
        error_.column = int(at - lineStart_) + 1;
        error_.reason = reason;
        return false;
    }
    bool atEnd() const { return pos_ >= s_.size(); }
    char peek() const { return atEnd() ? '\0' : s_[pos_]; }

    void skipSpace() {
        while (!atEnd()) {
            const char c = s_[pos_];
            if (c == '\n') {
                ++line_;
                lineStart_ = ++pos_;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++pos_;
            } else {
                break;
            }
        }
    }

    bool value(JsonValue& v, int depth) {
        v.line = line_;
        v.column = int(pos_ - lineStart_) + 1;
        if (atEnd()) return problem(QStringLiteral("the document ends where a value should be"));
        if (++values_ > MaxJsonValues)
            return problem(
                QStringLiteral("more than %1 values in the document").arg(MaxJsonValues));
        const char c = peek();
        if (c == '{' || c == '[') {
            if (depth >= MaxDepth) return problem(QStringLiteral("values nested too deeply"));
            return c == '{' ? object(v, depth) : array(v, depth);
        }
        if (c == '"') {
            v.kind = JsonValue::Text;
            return text(v.text);
        }
        if (c == '-' || (c >= '0' && c <= '9')) return number(v);
        for (const auto& [word, kind, boolean] : {std::tuple{"true", JsonValue::Bool, true},
                                                  std::tuple{"false", JsonValue::Bool, false},
                                                  std::tuple{"null", JsonValue::Null, false}}) {
            const qsizetype n = qsizetype(std::strlen(word));
            if (s_.mid(pos_, n) == word) {
                v.kind = kind;
                v.boolean = boolean;
                pos_ += n;
                return true;
            }
        }
        return problem(QStringLiteral("a value cannot begin here"));
    }

    bool object(JsonValue& v, int depth) {
        v.kind = JsonValue::Object;
        ++pos_;
        skipSpace();
        if (peek() == '}') {
            ++pos_;
            return true;
        }
        QSet<QString> keys;
        for (;;) {
            skipSpace();
            if (peek() != '"') return problem(QStringLiteral("expected a key in double quotes"));
            const qsizetype keyAt = pos_;
            const int keyLine = line_;
            QString key;
            if (!text(key)) return false;
            // A few keys are compared in place; past that a hash keeps each key linear.
            bool twice = false;
            if (v.members.size() < 16) {
                twice = v.member(key) != nullptr;
            } else {
                if (keys.isEmpty())
                    for (const auto& member : v.members)
                        keys.insert(member.first);
                twice = keys.contains(key);
                keys.insert(key);
            }
            if (twice) {
                line_ = keyLine;
                return problemAt(keyAt, QStringLiteral("the key \"%1\" appears twice").arg(key));
            }
            skipSpace();
            if (peek() != ':') return problem(QStringLiteral("expected ':' after the key"));
            ++pos_;
            skipSpace();
            JsonValue member;
            if (!value(member, depth + 1)) return false;
            v.members.emplace_back(std::move(key), std::move(member));
            skipSpace();
            if (peek() == ',') {
                ++pos_;
                skipSpace();
                if (peek() == '}')
                    return problem(QStringLiteral("a comma before '}' (nothing follows it)"));
                continue;
            }
            if (peek() == '}') {
                ++pos_;
                v.members.shrink_to_fit();
                return true;
            }
            return problem(atEnd() ? QStringLiteral("the document ends inside an object")
                                   : QStringLiteral("expected ',' or '}'"));
        }
    }

    bool array(JsonValue& v, int depth) {
        v.kind = JsonValue::Array;
        ++pos_;
        skipSpace();
        if (peek() == ']') {
            ++pos_;
            return true;
        }
        for (;;) {
            skipSpace();
            JsonValue item;
            if (!value(item, depth + 1)) return false;
            v.items.push_back(std::move(item));
            skipSpace();
            if (peek() == ',') {
                ++pos_;
                skipSpace();
                if (peek() == ']')
                    return problem(QStringLiteral("a comma before ']' (nothing follows it)"));
                continue;
            }
            if (peek() == ']') {
                ++pos_;
                v.items.shrink_to_fit();
                return true;
            }
            return problem(atEnd() ? QStringLiteral("the document ends inside a list")
                                   : QStringLiteral("expected ',' or ']'"));
        }
    }

    bool number(JsonValue& v) {
        const qsizetype start = pos_;
        auto digits = [&] {
            const qsizetype from = pos_;
            while (!atEnd() && peek() >= '0' && peek() <= '9')
                ++pos_;
            return pos_ > from;
        };
        if (peek() == '-') ++pos_;
        if (peek() == '0') {
            ++pos_;
        } else if (!digits()) {
            return problemAt(start, QStringLiteral("not a valid number"));
        }
        if (peek() == '.') {
            ++pos_;
            if (!digits()) return problemAt(start, QStringLiteral("not a valid number"));
        }
        if (peek() == 'e' || peek() == 'E') {
            ++pos_;
            if (peek() == '+' || peek() == '-') ++pos_;
            if (!digits()) return problemAt(start, QStringLiteral("not a valid number"));
        }
        if (!atEnd() && (std::isalnum(static_cast<unsigned char>(peek())) || peek() == '.'))
            return problemAt(start, QStringLiteral("not a valid number"));
        bool ok = false;
        v.kind = JsonValue::Number;
        v.number = s_.mid(start, pos_ - start).toDouble(&ok);
        return ok || problemAt(start, QStringLiteral("the number is out of range"));
    }

    static int hexValue(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    bool hex4(char16_t& unit) {
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int h = atEnd() ? -1 : hexValue(s_[pos_]);
            if (h < 0)
                return problem(QStringLiteral("\\u must be followed by four hexadecimal digits"));
            unit = char16_t(unit * 16 + h);
            ++pos_;
        }
        return true;
    }

    // Raw bytes between escapes must be UTF-8. A U+FEFF that opens a run is text, not a mark.
    bool appendRaw(QString& out, qsizetype from, qsizetype to) {
        if (to <= from) return true;
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                        QStringDecoder::Flag::ConvertInitialBom);
        out += decode(QByteArrayView(s_.constData() + from, to - from));
        if (decode.hasError())
            return problemAt(from, QStringLiteral("the text is not valid UTF-8"));
        return true;
    }

    bool text(QString& out) {
        const qsizetype open = pos_;
        ++pos_;
        qsizetype run = pos_;
        for (;;) {
            if (atEnd()) return problemAt(open, QStringLiteral("the text has no closing quote"));
            const unsigned char c = static_cast<unsigned char>(s_[pos_]);
            if (c == '"') {
                if (!appendRaw(out, run, pos_)) return false;
                ++pos_;
                return true;
            }
            if (c < 0x20)
                return problem(c == '\n' ? QStringLiteral("the text has no closing quote")
                                         : QStringLiteral("a control character inside text"));
            if (c != '\\') {
                ++pos_;
                continue;
            }
            if (!appendRaw(out, run, pos_)) return false;
            ++pos_;
            const char e = peek();
            ++pos_;
            switch (e) {
            case '"':
                out += QLatin1Char('"');
                break;
            case '\\':
                out += QLatin1Char('\\');
                break;
            case '/':
                out += QLatin1Char('/');
                break;
            case 'b':
                out += QLatin1Char('\b');
                break;
            case 'f':
                out += QLatin1Char('\f');
                break;
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'u': {
                char16_t unit;
                if (!hex4(unit)) return false;
                if (QChar::isHighSurrogate(unit)) {
                    char16_t low = 0;
                    if (s_.mid(pos_, 2) != "\\u")
                        return problem(QStringLiteral("a lone surrogate"));
                    pos_ += 2;
                    if (!hex4(low)) return false;
                    if (!QChar::isLowSurrogate(low))
                        return problem(QStringLiteral("a lone surrogate"));
                    out += QChar(unit);
                    out += QChar(low);
                } else if (QChar::isLowSurrogate(unit)) {
                    return problem(QStringLiteral("a lone surrogate"));
                } else {
                    out += QChar(unit);
                }
                break;
            }
            default:
                return problemAt(pos_ - 2, QStringLiteral("an unknown escape"));
            }
            run = pos_;
        }
    }

    const QByteArray& s_;
    qsizetype pos_ = 0;
    qsizetype lineStart_ = 0;
    int line_ = 1;
    qsizetype values_ = 0;
    JsonError error_;
};

} // namespace

bool parseJson(const QByteArray& bytes, JsonValue& out, JsonError& error) {
    out = JsonValue{};
    if (bytes.size() > MaxJsonBytes) {
        error = JsonError{
            1, 1, QStringLiteral("the document is larger than %1 MB").arg(MaxJsonBytes >> 20)};
        return false;
    }
    return Reader(bytes).document(out, error);
}

} // namespace lb::ctl
