#include "platform/qt_message_boxes.h"
#include "support/data_files.h"
#include "support/fakes.h"
#include "support/widget_helpers.h"
#include "ui/application.h"
#include "ui/frm_main.h"
#include "ui/frm_splash.h"
#include "ui/program_start.h"

using namespace lb;

namespace {

// The program's start as main() runs it, over fake font facilities and scripted answers.
struct ProgramStartTest : ::testing::Test, lbtest::Session {
    std::unique_ptr<ProgramStart> start;

    void SetUp() override { QDir().mkpath(env.letterbayHome()); }
    QString dbFile() const { return env.letterbayHome() + "/letterbay.mdb"; }
    bool begin() {
        start = std::make_unique<ProgramStart>(app, fonts);
        start->prepareMainWindow = [](FrmMain& w) { w.endProgram = [] {}; };
        return start->begin();
    }
    // The start-up window's timer runs its full three seconds, as in the program.
    bool waitForMainWindow() {
        return QTest::qWaitFor(
            [this] { return start->mainWindow() && start->mainWindow()->isVisible(); }, 8000);
    }
    static bool onTopWindowShown() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && (w->windowFlags() & Qt::WindowStaysOnTopHint)) return true;
        return false;
    }
    void TearDown() override {
        app.exiting = true; // closing the window must not ask
        start.reset();
    }
};

TEST_F(ProgramStartTest, ConversionMessagesAreNeverUnderTheStartupWindow) {
    lbtest::makeDataFile(dbFile(), "2.0", {{"Serif", "Georgia"}});
    env.set("LETTERBAY_SHARE", env.root() + "/nothing-installed");
    std::vector<bool> covered;
    boxes.onShow = [&] { covered.push_back(onTopWindowShown()); };
    // The announcement, the conversion's error (no conversion file), the first run's question.
    boxes.answers = {AnswerOK, AnswerOK, AnswerNo};
    ASSERT_TRUE(begin());
    EXPECT_TRUE(onTopWindowShown());
    ASSERT_TRUE(waitForMainWindow());
    EXPECT_EQ(covered, (std::vector<bool>{false, false, false}));
    EXPECT_FALSE(start->splash()->isVisible());
}

TEST_F(ProgramStartTest, HandOverLoadsTheMainWindowAndHidesWhatTheActiveSetLeavesOut) {
    addFont("Alpha", "Alpha Regular", "a.ttf");
    addFont("Beta", "Beta Regular", "b.ttf");
    // A catalogue with the set "Body" active; the desktop has since shown every font again.
    lbtest::makeDataFile(dbFile(), "2.5")
        ->exec("INSERT INTO [Fonts] ([Face Name], [File Name], [Friendly Name]) VALUES ('Alpha', "
               "'a.ttf', 'Alpha Regular (TrueType)'), ('Beta', 'b.ttf', 'Beta Regular "
               "(TrueType)'); INSERT INTO [Sets] VALUES ('Body'); INSERT INTO [Assigned Fonts] "
               "VALUES ('Body', 'Alpha'); UPDATE [Sample Text] SET [Activated Set] = 'Body'");
    ASSERT_TRUE(begin());
    ASSERT_TRUE(waitForMainWindow());
    FrmMain* w = start->mainWindow();
    EXPECT_EQ(w->findChild<QComboBox*>("cmbSets")->currentText(), "Body");
    EXPECT_EQ(resources.hidden, QSet<QString>{"b.ttf"});
    EXPECT_EQ(w->allFonts().row(1).state, FaceState::Inactive);
    EXPECT_EQ(w->findChild<QLabel*>("barStatusPanel2")->text(),
              "\"Body\" activated successfully.  Everything else is inactive.");
}

TEST_F(ProgramStartTest, EmptySettingsRecordEndsWithAMessageNotAnAbort) {
    lbtest::makeDataFile(dbFile(), "2.5")->exec("DELETE FROM [Sample Text]");
    boxes.answers = {AnswerOK};
    // The start-up window was drawn before the database was read, and steps aside for the box.
    bool drawnFirst = false;
    boxes.onShow = [&] {
        drawnFirst = start->splash()->painted() && !start->splash()->isVisible();
    };
    EXPECT_FALSE(begin());
    EXPECT_TRUE(drawnFirst);
    EXPECT_TRUE(!start->splash() && !start->mainWindow());
}

struct ApplicationTest : ::testing::Test, lbtest::Session {};

TEST_F(ApplicationTest, ErrorEscapingACommandIsShownAndTheProgramGoesOn) {
    auto* application = qobject_cast<Application*>(QCoreApplication::instance());
    ASSERT_NE(application, nullptr);
    application->setMessenger(&app.messages);
    // A command the event loop starts (as the splash timer does) whose database gives out.
    QTimer command;
    int runs = 0;
    QObject::connect(&command, &QTimer::timeout, [&] {
        if (++runs == 2) command.stop();
        pointer.set(MousePointer::Hourglass);
        throw DbError(ErrNoCurrentRecord, "No current record.");
    });
    boxes.answers = {AnswerOK, AnswerOK};
    command.start(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return runs == 2 && boxes.shown.size() == 2; }, 2000));
    application->setMessenger(nullptr);
    ASSERT_EQ(boxes.shown.size(), 2u); // the loop went on after the first one
    EXPECT_EQ(boxes.shown[0].title + "|" + QString::number(boxes.shown[0].style),
              "Letterbay 98|16");
    const QString& text = boxes.shown[0].text; // what failed and what is kept; the engine's last
    EXPECT_TRUE(text.startsWith("The font database could not be read or changed") &&
                text.contains("as they were before it.") && text.endsWith("(No current record.)"))
        << text.toStdString();
    EXPECT_EQ(pointer.get(), MousePointer::Default);
}

// The real message boxes, answered with keys and clicks as a user answers them.
struct RealBoxes : ::testing::Test {
    QtMessageBoxes boxes;
    QList<QPushButton*> buttons; // as they stand on screen, left to right
    QStringList captions;        // theirs, the default one marked '*'
    QString title, text = "Text";
    QMessageBox::Icon icon = QMessageBox::NoIcon;

    // Runs `answer` on the box once it is up; returns the answer code.
    int ask(int style, const std::function<void(QMessageBox*)>& answer) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr) << "no message box";
            captions.clear();
            buttons = box->findChildren<QPushButton*>();
            std::sort(buttons.begin(), buttons.end(), [](QPushButton* a, QPushButton* b) {
                return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
            });
            for (QPushButton* b : buttons)
                captions << (b == box->defaultButton() ? "*" : "") + b->text();
            title = box->windowTitle();
            icon = box->icon();
            answer(box);
        });
        return boxes.show(text, "Title", style);
    }
};

TEST_F(RealBoxes, ButtonsDefaultsEscapeAndAnswerCodes) {
    EXPECT_EQ(ask(StyleYesNo | StyleQuestion,
                  [this](QMessageBox*) { QTest::mouseClick(buttons[1], Qt::LeftButton); }),
              AnswerNo);
    // A style and the key pressed: the answer's code (OK 1, Cancel 2, Yes 6, No 7), then the
    // buttons. Yes is first and the default, unless it throws something away; a lone OK is also
    // Escape's answer.
    for (const auto& [style, key, answer] :
         {std::tuple(StyleYesNo | StyleExclamation, Qt::Key_Return, "6 *&Yes &No"),
          {StyleYesNo | StyleQuestion, Qt::Key_Escape, "7 *&Yes &No"},
          {StyleYesNo | StyleExclamation | StyleDefaultSecond, Qt::Key_Return, "7 &Yes *&No"},
          {StyleOKCancel | StyleExclamation, Qt::Key_Return, "1 *OK Cancel"},
          {StyleOKCancel | StyleExclamation, Qt::Key_Escape, "2 *OK Cancel"},
          {StyleCritical, Qt::Key_Escape, "1 *OK"},
          {StyleInformation, Qt::Key_Return, "1 *OK"}}) {
        const int got = ask(style, [k = key](QMessageBox* box) { QTest::keyClick(box, k); });
        EXPECT_EQ(QString::number(got) + " " + captions.join(' '), answer) << style;
    }
    EXPECT_EQ(std::pair(title, icon), std::pair(QString("Title"), QMessageBox::Information));
    // A name that reads as markup is shown as it is spelled, and the text keeps its paragraphs.
    text = "Delete the set \"<u>Body</u>\"?\n\nIts fonts stay installed.";
    size_t lines = 0;
    ask(StyleInformation, [&](QMessageBox* box) {
        lines =
            lbtest::inkBands(box->findChild<QLabel*>("qt_msgbox_label")->grab().toImage()).size();
        box->accept();
    });
    EXPECT_EQ(lines, 2u);
    lines = 0;
    QTimer::singleShot(0, [&] {
        auto* dialog = QApplication::activeModalWidget();
        lines = lbtest::inkBands(dialog->findChild<QLabel*>()->grab().toImage()).size();
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    EXPECT_EQ(boxes.input(text, "Rename Set", "<u>Body</u>"), "<u>Body</u>");
    EXPECT_EQ(lines, 2u);
}

} // namespace
