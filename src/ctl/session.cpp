#include "ctl/session.h"

#include "activation/interrupted_work.h"

#include "catalogue/system_fonts.h"
#include "core/paths.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/startup.h"

#include <QDateTime>
#include <QFileInfo>
#include <cstdio>
#include <sqlite3.h>
#include <unistd.h>
#include <utility>

namespace lb::ctl {

void printError(const QString& text) {
    const QByteArray line = QStringLiteral("letterbayctl: %1\n").arg(text).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

int TerminalBoxes::show(const QString& text, const QString& title, int style) {
    const int buttons = style & 0x0F;
    const bool question = buttons == StyleYesNo || buttons == StyleOKCancel;
    if (question) {
        if (answerYes) return buttons == StyleYesNo ? AnswerYes : AnswerOK;
        declined << text;
        printError(text + QStringLiteral("  Answered No: add --yes to answer Yes."));
        return buttons == StyleYesNo ? AnswerNo : AnswerCancel;
    }
    if ((style & 0xF0) == StyleCritical) {
        refusals << text;
        if (echo) printError(text);
    } else {
        notes << text;
        if (echo) printError(title.isEmpty() ? text : title + QStringLiteral(": ") + text);
    }
    return AnswerOK;
}

QString TerminalBoxes::input(const QString&, const QString&, const QString&) {
    return std::exchange(inputAnswer, QString());
}

TerminalView::TerminalView() : terminal_(::isatty(STDERR_FILENO) == 1) {}

TerminalView::~TerminalView() {
    finish();
}

void TerminalView::setMessage(const QString& text) {
    message = text;
    draw(true);
}

void TerminalView::showProgress(bool visible) {
    if (!visible) value_ = maximum_ = 0;
    draw(false);
}

void TerminalView::setProgressRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
}

void TerminalView::setProgressValue(int value) {
    value_ = value;
    draw(false);
}

void TerminalView::draw(bool force) {
    if (!terminal_) return;
    // Operations step once per font, tens of thousands of times: the line is redrawn a few times
    // a second.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!force && now - drawnAt_ < 100) return;
    drawnAt_ = now;
    QString line = message;
    if (maximum_ > minimum_) {
        const int percent = int(qint64(qBound(minimum_, value_, maximum_) - minimum_) * 100 /
                                (maximum_ - minimum_));
        line += QStringLiteral("  %1%").arg(percent);
    }
    const QByteArray bytes = "\r\033[K" + line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
    drawn_ = true;
}

void TerminalView::finish() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

Session::Session()
    : app(boxes, pointer), desktop(),
      resources(fontconfig), fonts{fontconfig, fontconfig, desktop, resources}, ctx{app, fonts,
                                                                                    view, allFonts,
                                                                                    assignedFonts} {
}

QString Session::open() {
    // The windows' instance lock is not taken: the command line works beside them, and the
    // database and the hidden-font state are shared under their own locks.
    const QString prepared = prepareDataFolder();
    if (!prepared.isEmpty()) return prepared;
    app.databasePath = databasePath();
    app.connectSuffix = ConnectSuffix;
    const QString named = QStringLiteral("The font database ") + app.databasePath +
                          QStringLiteral(" cannot be used: ");
    const QString problem = openFontDatabase(app);
    if (!problem.isEmpty()) return named + problem;
    try {
        // Data of an older version is converted by letterbay, with its announcement.
        QString version;
        if (app.db->tableExists(tbl::Version)) {
            Statement st = app.db->prepare(QStringLiteral("SELECT [Version] FROM [Version]"));
            if (st.step()) version = st.text(0);
        }
        if (version != ProgramVersion) {
            app.db.reset();
            return named + QStringLiteral("its data is of an older version.  Start letterbay "
                                          "once to convert it.");
        }
        if (const QString unordered = orderFontDatabase(app); !unordered.isEmpty())
            return named + unordered;
        app.db->useWriteAheadLog();
        // A window's long operation holds the file for a while: scripts wait rather than fail.
        app.db->setBusyTimeout(60000);
        app.openMainDataSources();
        Get_FontsFolder(app, fontconfig);
        // Work another program was cut off in is finished or undone first; what cannot be is
        // said on standard error and tried again next time.
        Recover_InterruptedWork(ctx);
        app.addAutoAssign = switchOn(readSetting(app, fld::AddAutoAssign));
        app.removeAutoAssign = switchOn(readSetting(app, fld::RemoveAutoAssign));
        app.setActivated = !activatedSet(app).isEmpty();
    } catch (const DbError& e) {
        app.closeAll();
        return named + e.message();
    }
    return {};
}

void Session::loadSystemFonts() {
    if (systemFontsLoaded_) return;
    Load_SystemFonts(app.systemFonts, desktop);
    systemFontsLoaded_ = true;
}

} // namespace lb::ctl
