#include "core/startup.h"

#include "core/paths.h"
#include "core/schema.h"
#include "core/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(Startup)
};
} // namespace

QString formatThousands(int value) {
    if (value == 0) return {};
    QString digits = QString::number(value < 0 ? -value : value);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return value < 0 ? QStringLiteral("-") + digits : digits;
}

QString welcomeText(int knowledgeBaseRows, const QString& lb) {
    // One text a paragraph.
    return T::tr("Welcome to Letterbay 98!  ") + lb + lb +
           T::tr("Your PC's fonts will automatically be loaded into Letterbay's All Fonts list, "
                 "where they can be displayed, printed and manually assigned to sets of your "
                 "choice.  (Bitmap fonts of fixed sizes will not be loaded.)") +
           lb + lb +
           T::tr("Letterbay contains AutoAssign, a feature which allows Letterbay to compare your "
                 "fonts to a database of over %1 font names and automatically assign your fonts "
                 "to the appropriate set(s).")
               .arg(formatThousands(knowledgeBaseRows / 100 * 100)) +
           lb + lb +
           T::tr("Would you like to AutoAssign your fonts each time you refresh or install new "
                 "fonts?  (If not, AutoAssign can be activated later.)");
}

bool Begin_FirstRun(AppState& app, const std::function<void()>& showWindow) {
    // Asked of the database itself: the catalogue's record set would read every row.
    Statement any = app.db->prepare(QStringLiteral("SELECT EXISTS (SELECT 1 FROM [Fonts])"));
    if (any.step() && any.int64(0) != 0) return false;
    app.datAuto->moveLast();
    const int rows = app.datAuto->recordCount();
    if (showWindow) showWindow();
    app.addAutoAssign =
        app.messages.askYes(MessageKind::Question, T::tr("Initial Retrieval of Fonts"),
                            welcomeText(rows, app.lineBreak));
    app.removeAutoAssign = false;
    writeSettings(app, {{fld::AddAutoAssign, app.addAutoAssign}, {fld::RemoveAutoAssign, false}});
    return true;
}

QString Startup::ProgramVersionText() {
    return ProgramVersion;
}

QString Startup::lockPath() {
    return dataFolder() + QStringLiteral("/letterbay.lock");
}

namespace {
QString refusalOf(const DbError& e) {
    if (e.number() == ErrNotADatabase)
        return T::tr("it is not a %1 database, or it cannot be opened with its password.")
            .arg(AppTitle);
    if (e.number() == ErrDiskFull)
        return T::tr("the disk holding it is full.  Make room on that disk and "
                     "try again.");
    return e.message();
}
} // namespace

QString openFontDatabase(AppState& app, bool wholeFile) {
    app.db.reset();
    const QFileInfo info(app.databasePath);
    if (!info.exists()) return T::tr("the file does not exist.");
    if (!info.isWritable()) return T::tr("the file is read-only.");
    try {
        app.db = Database::open(app.databasePath, app.connectSuffix);
        // A file that opens with the key but lacks the settings record is no font database.
        if (!app.db->tableExists(tbl::SampleText) || !app.db->tableExists(tbl::Fonts)) {
            app.db.reset();
            return T::tr("it is not a %1 database.").arg(AppTitle);
        }
        // Checked before anything is written, so that a damaged file is left as it was.
        const QString problem = dataFileProblem(*app.db, wholeFile);
        if (!problem.isEmpty()) {
            app.db.reset();
            return problem;
        }
    } catch (const DbError& e) {
        app.db.reset();
        return refusalOf(e);
    }
    return {};
}

QString orderFontDatabase(AppState& app) {
    try {
        rebuildIndexesOfEarlierOrder(*app.db);
    } catch (const DbError& e) {
        // Held by another program past the wait, or a full disk: refused rather than written to
        // out of order.
        app.db.reset();
        return refusalOf(e);
    }
    return {};
}

bool Startup::claimInstance() {
    Messenger& m = app_.messages;
    app_.lineBreak = QStringLiteral("\n");
    // One copy per user: a second one says so and ends without touching anything, the
    // first-run copy of the database included. A lock that cannot be made at all (a read-only
    // data folder) refuses too: without it a second copy could run alongside.
    QDir().mkpath(dataFolder());
    auto lock = std::make_unique<QLockFile>(lockPath());
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        QString text;
        if (lock->error() == QLockFile::LockFailedError)
            text = T::tr("%1 is already running on this machine.  Click OK to exit.").arg(AppTitle);
        else
            text = T::tr("%1 cannot tell whether it is already running on this machine: its "
                         "lock file %2 cannot be created.  Click OK to exit.")
                       .arg(AppTitle, lockPath());
        m.ask(MessageKind::Critical, AppTitle, text);
        return false;
    }
    app_.instanceLock = std::move(lock);
    return true;
}

bool Startup::openData() {
    Messenger& m = app_.messages;
    const QString prepared = prepareDataFolder();

    app_.databasePath = databasePath();
    app_.connectSuffix = ConnectSuffix;
    auto refuse = [&](const QString& reason) {
        m.ask(MessageKind::Critical, AppTitle,
              T::tr("The font database %1 cannot be used: %2").arg(app_.databasePath, reason) +
                  app_.lineBreak + app_.lineBreak +
                  T::tr("Nothing has been changed.  Click OK to exit."));
        app_.instanceLock.reset();
        return false;
    };
    if (!prepared.isEmpty()) return refuse(prepared);
    const QString problem = openFontDatabase(app_);
    if (!problem.isEmpty()) return refuse(problem);
    // This program takes any version's file, converting it: its first write.
    if (const QString unordered = orderFontDatabase(app_); !unordered.isEmpty())
        return refuse(unordered);
    app_.db->useWriteAheadLog();

    datSampleText_ = openTable(*app_.db, tbl::SampleText);
    datVersion_ = openTable(*app_.db, tbl::Version);
    datAuto_ = openTable(*app_.db, tbl::AutoAssign);
    try {
        datVersion_->refresh();
    } catch (const DbError& e) {
        if (e.number() == ErrNoSuchObject) upgradeVersion1();
    }
    return true;
}

void Startup::upgradeVersion1() {
    Database& db = *app_.db;
    try {
        Database::Transaction t(db);
        db.createTable(tbl::Version, {FieldDef{fld::Version, FieldType::Text, 5, true}});
        db.appendField(tbl::SampleText, FieldDef{fld::SelectedSet, FieldType::Text, 40, true});
        db.appendField(tbl::SampleText, FieldDef{fld::FontSize, FieldType::Long});
        datSampleText_->refresh();
        datSampleText_->moveFirst();
        datVersion_->refresh();
        datVersion_->addNew();
        datVersion_->setField(fld::Version, QStringLiteral("2.0"));
        datVersion_->update();
        datVersion_->refresh();
        if (!datSampleText_->eof()) {
            datSampleText_->edit();
            datSampleText_->setField(fld::SelectedSet, QVariant());
            datSampleText_->setField(fld::FontSize, 12);
            datSampleText_->update();
        }
        t.commit();
    } catch (const DbError& e) {
        // The transaction is undone: the file stays version 1 and is upgraded at the next start.
        Messenger& m = app_.messages;
        m.ask(MessageKind::Critical, AppTitle,
              T::tr("The font database %1 could not be upgraded: %2")
                      .arg(app_.databasePath, e.message()) +
                  app_.lineBreak + app_.lineBreak +
                  T::tr("Your data has not been changed.  The upgrade will run again at the next "
                        "start."));
    }
}

QString Startup::dataVersion() {
    try {
        datVersion_->refresh();
        if (datVersion_->eof()) return {};
        return datVersion_->text(fld::Version);
    } catch (const DbError&) {
        return {};
    }
}

bool Startup::Timer1_Timer(const std::function<void()>& repaint) {
    if (ProgramVersionText() != dataVersion()) {
        Convert_Data(repaint);
        return true;
    }
    try {
        datAuto_->refresh();
    } catch (const DbError&) {
        // Only warms the knowledge base: the operations that use it read it again themselves.
    }
    return false;
}

void Startup::Convert_Data(const std::function<void()>& repaint) {
    Messenger& m = app_.messages;
    const QString lb = app_.lineBreak;
    const QString version = dataVersion();
    const QString program = ProgramVersionText();
    m.ask(MessageKind::Info, T::tr("Conversion of Letterbay Information"),
          T::tr("You have installed %1 on top of a previous version.  Your existing %2 data "
                "will now be converted to work with the latest version (%3).  It will also add "
                "any new AutoAssign information created after your version was available.  The "
                "conversion will only be performed once.")
                  .arg(AppTitle, version, program) +
              lb + lb + T::tr("Press OK to start conversion."));
    if (repaint) repaint();
    if (program != QLatin1String("2.5") || version != QLatin1String("2.0")) return;

    // Read the conversion file before touching anything, so a missing or unreadable one
    // leaves the data and its version as they were and the conversion runs again next time.
    const QString source = appendPath();
    std::unique_ptr<Database> append;
    try {
        append = Database::openReadOnly(source, app_.connectSuffix);
        append->columns(tbl::NewAuto);
    } catch (const DbError& e) {
        m.ask(MessageKind::Critical, T::tr("Conversion of Letterbay Information"),
              T::tr("The conversion could not read %1: %2").arg(source, e.message()) + lb + lb +
                  T::tr("Your data has not been changed.  The conversion will run again at the "
                        "next start."));
        return;
    }
    try {
        Database::Transaction t(*app_.db);
        Add_InactiveField();
        Append_AutoAssign(*append);
        Stamp_Version();
        t.commit();
    } catch (const DbError& e) {
        m.ask(MessageKind::Critical, T::tr("Conversion of Letterbay Information"),
              T::tr("The conversion failed: %1").arg(e.message()) + lb + lb +
                  T::tr("Your data has not been changed.  The conversion will run again at the "
                        "next start."));
    }
}

bool Startup::Add_InactiveField() {
    // Already there after a conversion that was cut off: nothing to add.
    if (app_.db->columns(tbl::AutoAssign).contains(fld::Inactive, Qt::CaseInsensitive))
        return false;
    app_.db->appendField(tbl::AutoAssign, FieldDef{fld::Inactive, FieldType::YesNo});
    return true;
}

bool Startup::Append_AutoAssign(Database& append) {
    auto datAppend = openTable(append, tbl::NewAuto);
    datAuto_->refresh();
    datAppend->refresh();
    datAppend->moveFirst();
    while (!datAppend->eof()) {
        try {
            datAuto_->addNew();
            datAuto_->setField(fld::SetName, datAppend->field(fld::SetName));
            datAuto_->setField(fld::FontName, datAppend->field(fld::FontName));
            datAuto_->setField(fld::Inactive, false);
            datAuto_->update();
            datAuto_->setBookmark(datAuto_->lastModified());
        } catch (const DbError&) {
            // A pair already known keeps its row and its Inactive value.
            datAuto_->cancelUpdate();
        }
        datAppend->moveNext();
    }
    return true;
}

void Startup::Stamp_Version() {
    datVersion_->refresh();
    datVersion_->moveFirst();
    datVersion_->edit();
    datVersion_->setField(fld::Version, ProgramVersionText());
    datVersion_->update();
}

} // namespace lb
