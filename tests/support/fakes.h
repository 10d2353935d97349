#pragma once

#include "catalogue/font_list.h"
#include "core/main_context.h"
#include "platform/fonts.h"
#include "platform/message_boxes.h"
#include "platform/printers.h"
#include "support/memory_resources.h"
#include "support/recording_view.h"
#include "support/temp_env.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace lbtest {

// Answers message boxes from a script and records what was shown.
class ScriptedBoxes : public lb::MessageBoxes {
public:
    struct Shown {
        QString text, title;
        int style;
    };
    std::deque<int> answers;
    std::deque<QString> inputs;
    std::vector<Shown> shown;
    std::function<void()> onShow; // runs while each box is up

    QString input(const QString& prompt, const QString& title, const QString&) override {
        shown.push_back({prompt, title, -1});
        if (inputs.empty()) {
            ADD_FAILURE() << "unexpected input box: " << prompt.toStdString();
            return {};
        }
        const QString a = inputs.front();
        inputs.pop_front();
        return a;
    }

    int show(const QString& text, const QString& title, int style) override {
        shown.push_back({text, title, style});
        if (onShow) onShow();
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected message box: " << title.toStdString() << ": "
                          << text.toStdString();
            return lb::AnswerCancel;
        }
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
};

// The `index`th box shown, checked whole: title, exact text and style (-1 for an input box).
inline void expectBox(const ScriptedBoxes& boxes, size_t index, const QString& title,
                      const QString& text, int style) {
    if (index >= boxes.shown.size()) {
        ADD_FAILURE() << "box " << index << " (" << title.toStdString() << ") was not shown; "
                      << boxes.shown.size() << " were";
        return;
    }
    const ScriptedBoxes::Shown& box = boxes.shown[index];
    EXPECT_EQ(box.title, title) << "box " << index;
    EXPECT_EQ(box.text, text) << "box " << index;
    EXPECT_EQ(box.style, style) << "box " << index << ": " << box.text.toStdString();
}

// Selects exactly these typefaces in a list, as clicks would.
inline void selectExactly(lb::FontListModel& list, const QStringList& faces) {
    for (int i = 0; i < list.size(); ++i)
        list.setSelected(i, false);
    list.selectedCount = 0;
    for (const QString& f : faces) {
        const int row = list.find(f);
        ASSERT_GE(row, 0) << f.toStdString();
        list.setSelected(row, true);
        ++list.selectedCount;
    }
}

class FakeRegistry : public lb::FontRegistry {
public:
    std::vector<lb::FontValue> values;
    QString folder = QStringLiteral("/fonts/");
    int failAfter = -1; // throw after this many values, to cut a refresh off half way
    std::function<void()> onEnumerate;

    std::vector<lb::FontValue> enumerate() override {
        if (onEnumerate) onEnumerate();
        if (failAfter >= 0) throw std::runtime_error("enumeration cut off");
        return values;
    }
    QString fontsFolder() override { return folder; }
    bool registerFile(const QString&) override { return true; }
    bool deleteValue(const QString& name) override {
        const auto n = values.size();
        std::erase_if(values, [&](const lb::FontValue& v) { return v.name == name; });
        return values.size() != n;
    }
    bool deleteFile(const QString&) override { return false; }

    std::vector<std::pair<QString, QString>> removeFiles(const QStringList& files) override {
        for (const QString& f : files)
            std::erase_if(values, [&](const lb::FontValue& v) { return v.data == f; });
        return {};
    }

    void add(const QString& fullName, const QString& file) {
        values.push_back({fullName + QStringLiteral(" (TrueType)"), file, 0, {}});
    }
};

// Face names by file: "Face|Resource" registered per file; unknown files get their base name.
class FakeFaces : public lb::FaceNameReader {
public:
    QHash<QString, lb::FaceNames> names;
    lb::FaceNames read(const QString& file) override {
        const auto it = names.constFind(file);
        if (it != names.constEnd()) return *it;
        const QString base = QFileInfo(file).completeBaseName();
        return {base, base, false, {}, {}};
    }
};

class FakeDesktop : public lb::DesktopFonts {
public:
    QStringList list;
    QStringList families() override { return list; }
};

// Printers as a test sets them up.
class FakePrinters : public lb::Printers {
public:
    std::vector<lb::PrinterInfo> list;
    QString defaultPrinter;
    std::vector<lb::PrinterInfo> installed() override { return list; }
    QString defaultName() override { return defaultPrinter; }
};

// A fresh home with the shipped database, every font facility faked and every question
// answered by script: what operation and window tests share.
struct Session {
    TempEnv env;
    ScriptedBoxes boxes;
    lb::MemoryPointer pointer;
    lb::AppState app{boxes, pointer};
    FakeRegistry registry;
    FakeFaces faces;
    FakeDesktop desktop;
    FakeResources resources;
    lb::FontPlatform fonts{registry, faces, desktop, resources};

    // A font file of a typeface: registry value "<full> (TrueType)" with data `file`.
    void addFont(const QString& face, const QString& full, const QString& file) {
        registry.add(full, file);
        faces.names.insert(
            file, lb::FaceNames{full, face, true, full + QStringLiteral(" (TrueType)"), {}});
    }
};

} // namespace lbtest
