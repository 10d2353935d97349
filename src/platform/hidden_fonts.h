#pragma once

// The fonts hidden from every program of the desktop, kept so that hiding costs other programs
// nothing that grows with the number of fonts, and hides exactly the files an activation chose.
//
// fontconfig tests every font file against every <glob> of a <selectfont> whenever a program
// builds its font list, so one glob per hidden or per visible file costs every program files x
// globs. A rejected folder, on the other hand, is skipped whole. So each folder that holds hidden
// fonts is rejected as a whole (one glob), and the fonts in it that stay visible are offered again
// through a folder of our own holding links to them (the "farm"), whose fontconfig caches we build
// at the broadcast, so that no other program pays a scan. A font that arrives in a rejected folder
// later is not ours to hide: reconcile() links it into the farm, at every start of the programs and
// while the tray launcher watches the folders. A file of several faces of which only some are
// hidden is offered through the farm too, with one <rejectfont> pattern on its link and index per
// hidden face: a cost only for such files.
//
// The farm lives in generations (visible-fonts/g<serial>, split in parts whose caches are built in
// parallel). Each generation holds hard links to one link per font kept in visible-fonts/links, so
// a new generation makes no new files once a font has been linked before, and a recent generation
// with the same fonts is taken again as it is. A few recent generations stay: programs that have
// not yet read the new configuration may still open fonts through them. When older ones go, so do
// the links none of those left holds, so the store grows with the fonts in use, not with history.
//
// On disk, in the user's fontconfig folder:
//   letterbay/inactive.conf         what fontconfig reads: the farm folder and the rejected
//   folders,
//                                   through conf.d/78-letterbay.conf and the installation's own
//                                   file (see font_selection.h), so removing the program shows all
// and in its conf.d:
//   .letterbay-inactive.state       what the programs read: the hidden files, the stamp of the
//                                   database change the state implements, the farm in use
//   .letterbay-inactive.lock        flock()ed while the state is read, changed and written
// Both files carry a serial number, so a state whose configuration was not written is noticed.

#include "platform/font_selection.h"
#include "platform/fonts.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>

typedef struct _FcConfig FcConfig;

namespace lb {

struct HiddenFontsPlan;

class FontconfigResources : public FontResources {
public:
    // `registry` gives the fonts folder that bare file names lie in. `farmRoot` holds the farm's
    // generations; by default "visible-fonts" in the data folder.
    explicit FontconfigResources(FontRegistry& registry, QString farmRoot = {});

    void load(const QString& file) override;
    void unload(const QString& file) override;
    bool isHidden(const QString& file) override;
    void beginActivation(qsizetype files) override;
    bool hasPending() const override {
        return !toHide_.isEmpty() || !toShow_.isEmpty() || replace_;
    }
    bool broadcast(const QString& stamp) override;
    QString keptStamp() const override { return keptStamp_; }
    void discard() override;
    bool restore() override;
    QString error() const override { return error_; }
    QStringList unmet() const override { return unmet_; }
    bool inStep(const QString& stamp) override;
    bool reconcile() override;
    void reread() override { stateKey_.clear(); }
    void announceToEarlierPrograms() override;

    // The hidden files as the shared state records them (links resolved), sorted; a face of a
    // file of several as "<file> (face <n>)".
    QStringList hiddenFiles();
    // The stamp the shared state records; empty when there is none.
    QString stamp();
    // The folder of links to visible fonts now in use; empty when there is none.
    QString farmFolder();
    // The folders hidden whole, as fontconfig spells them: a font arriving in one of them, or
    // below, stays hidden from other programs until reconcile() runs. Watch these.
    static QStringList hiddenFolders();

    static QString statePath();
    static QString lockPath();
    static QString defaultFarmRoot();

    // The shared state as stored.
    struct State {
        bool exists = false;
        QString stamp;
        quint64 serial = 0;
        QByteArray farm;           // the farm folder in use, empty when none
        QSet<QByteArray> hidden;   // hidden files, links resolved
        QSet<QByteArray> farmed;   // files offered through the farm
        qsizetype hiddenCount = 0; // as the header says (a header-only read fills this)
        // What the plan behind it was made from (hidden files, fonts removed for good, the
        // configured folders) and every folder it read with its stamp: while all are as they
        // were, no font can have come into a hidden folder since.
        QByteArray planKey;
        std::vector<std::pair<QByteArray, QByteArray>> planFolders;
    };
    static QByteArray serialiseState(const State& state);
    static State parseState(const QByteArray& bytes, bool headerOnly = false);

private:
    QByteArray identity(const QString& file);
    const State& current();
    QByteArray diskKey();
    bool planStillHolds(FcConfig* config, const State& state);
    void readConfInForce();
    bool hiddenOnDisk(const QByteArray& id);
    bool hiddenNow(const QByteArray& id);
    bool write(State next, const QString& stamp);
    // `config`: the user's configuration, read once by the caller.
    std::shared_ptr<const HiddenFontsPlan> planFor(const QSet<QByteArray>& hidden,
                                                   FcConfig* config);
    QString writeFarm(const std::map<QByteArray, QByteArray>& targets, quint64 serial,
                      QByteArray& folder, FcConfig* config);
    // True when it removed a generation.
    bool removeOldFarms(const QByteArray& keep, const QByteArray& previous);
    void pruneStore();
    static bool cachesValid(const QByteArray& folder, FcConfig* config);
    // Sets the fonts folder's time to now and writes its cache again; under the state lock.
    void touchFontsFolder();

    FontRegistry& registry_;
    QString farmRoot_;
    QString error_;
    QStringList unmet_;
    // The changes asked for, the last word on a file kept: kept apart, so that a whole activation's
    // hidden files become the new state as they are, not hashed once more.
    QSet<QByteArray> toHide_, toShow_;
    bool replace_ = false; // toHide_ is all there is to hide; toShow_ stays empty
    QHash<QByteArray, QByteArray> canonicalDirs_;
    QByteArray fontsFolder_; // resolved; null until first needed
    State state_;
    // What the last broadcast replaced, and the stamp it wrote, for restore().
    std::optional<State> replaced_;
    QString broadcastStamp_;
    QString keptStamp_;   // of a broadcast that changed nothing
    QByteArray stateKey_; // size, time and inode of the state and configuration files read
    // Whether the configuration on disk is the one state_ records. When it is not (removed by
    // hand, or a write that failed half way), what other programs cannot see is what that
    // configuration rejects, less what its farm offers again.
    bool inForce_ = true;
    SelectionMatcher confRejects_;
    QSet<QByteArray> confFarmed_;
    QElapsedTimer checked_; // since the state file was last looked at
    std::vector<std::shared_ptr<const HiddenFontsPlan>> plans_; // the last few, newest first
};

} // namespace lb
