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
#include <QStringList>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

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
        return next(inputs, QString(), "input box: " + prompt);
    }
    int show(const QString& text, const QString& title, int style) override {
        shown.push_back({text, title, style});
        if (onShow) onShow();
        return next(answers, int(lb::AnswerCancel), "message box: " + title + ": " + text);
    }

private:
    // The next scripted reply; a failure, and `none`, when the script has run out.
    template <typename T> static T next(std::deque<T>& replies, T none, const QString& box) {
        if (replies.empty()) {
            ADD_FAILURE() << "unexpected " << box.toStdString();
            return none;
        }
        T reply = replies.front();
        replies.pop_front();
        return reply;
    }
};

// The `index`th box shown, checked whole: title, exact text and style (-1 for an input box).
inline void expectBox(const ScriptedBoxes& boxes, size_t index, const QString& title,
                      const QString& text, int style) {
    ASSERT_LT(index, boxes.shown.size()) << "box " << index << " (" << title.toStdString() << ")";
    const ScriptedBoxes::Shown& box = boxes.shown[index];
    EXPECT_EQ(box.title, title) << "box " << index;
    EXPECT_EQ(box.text, text) << "box " << index;
    EXPECT_EQ(box.style, style) << "box " << index << ": " << box.text.toStdString();
}

inline QStringList listNames(const lb::FontListModel& list) {
    QStringList names;
    for (int i = 0; i < list.size(); ++i)
        names << list.row(i).name;
    return names;
}
// The state of a typeface in a list; none when it is not listed.
inline std::optional<lb::FaceState> stateOf(const lb::FontListModel& list, const QString& face) {
    const int row = list.find(face);
    return row < 0 ? std::nullopt : std::optional(list.row(row).state);
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
    std::function<void()> onEnumerate; // runs as the folders are listed

    std::vector<lb::FontValue> enumerate() override {
        if (onEnumerate) onEnumerate();
        return values;
    }
    QString fontsFolder() override { return folder; }
    bool registerFile(const QString&) override { return true; }

    std::vector<std::pair<QString, QString>> removeFiles(const QStringList& files) override {
        for (const QString& f : files)
            std::erase_if(values, [&](const lb::FontValue& v) { return v.data == f; });
        return {};
    }
};

// Face names by file: "Face|Resource" registered per file; unknown files get their base name.
class FakeFaces : public lb::FaceNameReader {
public:
    QHash<QString, lb::FaceNames> names;
    std::function<void()> onRead; // may throw, to cut a refresh off
    lb::FaceNames read(const QString& file) override {
        if (onRead) onRead();
        const QString base = QFileInfo(file).completeBaseName();
        return names.value(file, {base, base, false, {}, {}});
    }
};

class FakePrinters : public lb::Printers {
public:
    std::vector<lb::PrinterInfo> list;
    QString defaultPrinter;
    std::vector<lb::PrinterInfo> installed() override { return list; }
    QString defaultName() override { return defaultPrinter; }
};

// A fresh home, fake font facilities and scripted answers: what operation and window tests share.
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
        const QString value = full + QStringLiteral(" (TrueType)");
        registry.values.push_back({value, file, 0, {}});
        faces.names.insert(file, lb::FaceNames{full, face, true, value, {}});
    }
};

} // namespace lbtest
