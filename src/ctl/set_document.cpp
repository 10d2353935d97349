#include "ctl/set_document.h"

#include "sets/set_maintenance.h"

#include <QHash>
#include <QSet>
#include <cmath>

namespace lb::ctl {

namespace {

class Checker {
public:
    explicit Checker(JsonError& error) : error_(error) {}

    bool refuse(const JsonValue& at, const QString& reason) {
        error_ = JsonError{at.line, at.column, reason};
        return false;
    }

    // The member `key` of an object, of the kind wanted; `required` refuses its absence.
    bool take(const JsonValue& object, const QString& key, JsonValue::Kind kind, bool required,
              const JsonValue*& found) {
        found = object.member(key);
        if (!found)
            return !required || refuse(object, QStringLiteral("\"%1\" is missing").arg(key));
        JsonValue wanted;
        wanted.kind = kind;
        if (found->kind != kind)
            return refuse(*found, QStringLiteral("\"%1\" must be %2, not %3")
                                      .arg(key, wanted.kindName(), found->kindName()));
        return true;
    }

    bool font(const JsonValue& v, DocumentFont& out) {
        out.line = v.line;
        if (v.kind == JsonValue::Text) {
            out.name = v.text;
        } else if (v.kind == JsonValue::Object) {
            const JsonValue* name = nullptr;
            const JsonValue* files = nullptr;
            if (!take(v, QStringLiteral("name"), JsonValue::Text, true, name)) return false;
            if (!take(v, QStringLiteral("files"), JsonValue::Array, false, files)) return false;
            out.name = name->text;
            if (files) {
                for (const JsonValue& f : files->items) {
                    if (f.kind != JsonValue::Text)
                        return refuse(
                            f,
                            QStringLiteral("a file name must be text, not %1").arg(f.kindName()));
                    out.files << f.text;
                }
            }
        } else {
            return refuse(
                v,
                QStringLiteral("a font must be its name or an object, not %1").arg(v.kindName()));
        }
        if (out.name.isEmpty()) return refuse(v, QStringLiteral("a font name is empty"));
        return true;
    }

    bool set(const JsonValue& v, DocumentSet& out) {
        out.line = v.line;
        if (v.kind != JsonValue::Object)
            return refuse(v, QStringLiteral("a set must be an object, not %1").arg(v.kindName()));
        const JsonValue* name = nullptr;
        const JsonValue* fonts = nullptr;
        if (!take(v, QStringLiteral("name"), JsonValue::Text, true, name)) return false;
        if (!take(v, QStringLiteral("fonts"), JsonValue::Array, false, fonts)) return false;
        // Taken as the set box takes a typed name.
        out.name = name->text.trimmed();
        if (out.name.isEmpty()) return refuse(*name, QStringLiteral("a set name is empty"));
        const QString problem = setNameProblem(out.name);
        if (!problem.isEmpty()) return refuse(*name, problem);
        const QString folded = out.name.toCaseFolded();
        if (const auto it = setLines_.constFind(folded); it != setLines_.constEnd())
            return refuse(*name, QStringLiteral("the set \"%1\" appears twice (first on line %2)")
                                     .arg(out.name)
                                     .arg(it.value()));
        setLines_.insert(folded, name->line);
        if (!fonts) return true;
        QSet<QString> seen;
        for (const JsonValue& f : fonts->items) {
            DocumentFont font;
            if (!this->font(f, font)) return false;
            // A font named twice is one assignment.
            if (seen.contains(font.name.toCaseFolded())) continue;
            seen.insert(font.name.toCaseFolded());
            out.fonts.push_back(std::move(font));
        }
        return true;
    }

    bool document(const JsonValue& root, SetDocument& doc) {
        if (root.kind != JsonValue::Object)
            return refuse(
                root,
                QStringLiteral("the document must be an object, not %1").arg(root.kindName()));
        const JsonValue* format = nullptr;
        const JsonValue* version = nullptr;
        const JsonValue* sets = nullptr;
        if (!take(root, QStringLiteral("format"), JsonValue::Text, true, format)) return false;
        if (format->text != SetDocumentFormat)
            return refuse(*format, QStringLiteral("\"format\" must be \"%1\": this is not a "
                                                  "document of Letterbay sets")
                                       .arg(SetDocumentFormat));
        if (!take(root, QStringLiteral("version"), JsonValue::Number, true, version)) return false;
        if (version->number != std::floor(version->number) || version->number < 1)
            return refuse(*version, QStringLiteral("\"version\" must be a whole number from 1"));
        if (version->number > SetDocumentVersion)
            return refuse(*version, QStringLiteral("version %1 was written by a newer "
                                                   "letterbayctl; this one reads version %2")
                                        .arg(version->number)
                                        .arg(SetDocumentVersion));
        if (!take(root, QStringLiteral("sets"), JsonValue::Array, true, sets)) return false;
        for (const JsonValue& s : sets->items) {
            DocumentSet set;
            if (!this->set(s, set)) return false;
            doc.sets.push_back(std::move(set));
        }
        return true;
    }

private:
    JsonError& error_;
    QHash<QString, int> setLines_; // case-folded name -> line
};

} // namespace

bool readSetDocument(const QByteArray& bytes, SetDocument& doc, JsonError& error) {
    doc = SetDocument{};
    JsonValue root;
    if (!parseJson(bytes, root, error)) return false;
    SetDocument read;
    if (!Checker(error).document(root, read)) return false;
    doc = std::move(read);
    return true;
}

QByteArray writeSetDocument(const SetDocument& doc) {
    QByteArray out = "{\n  \"format\": " + jsonText(SetDocumentFormat) +
                     ",\n  \"version\": " + QByteArray::number(SetDocumentVersion) +
                     ",\n  \"sets\": [";
    for (size_t i = 0; i < doc.sets.size(); ++i) {
        const DocumentSet& set = doc.sets[i];
        out += i ? ",\n    {\n" : "\n    {\n";
        out += "      \"name\": " + jsonText(set.name) + ",\n      \"fonts\": [";
        for (size_t j = 0; j < set.fonts.size(); ++j) {
            const DocumentFont& f = set.fonts[j];
            out += j ? ",\n        " : "\n        ";
            out += "{\"name\": " + jsonText(f.name) + ", \"files\": " + jsonTexts(f.files) + "}";
        }
        out += set.fonts.empty() ? "]\n    }" : "\n      ]\n    }";
    }
    out += doc.sets.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

} // namespace lb::ctl
