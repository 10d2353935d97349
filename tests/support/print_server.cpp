#include "support/print_server.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <sys/stat.h>
#include <unistd.h>

namespace lbtest {

using namespace Qt::StringLiterals;

const QString Cupsd = u"/usr/sbin/cupsd"_s;
const QString PdfBackend = u"/usr/lib/cups/backend/cups-pdf"_s;
const QString PdfPpd = u"/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd"_s;
const QString PdfConf = u"/etc/cups/cups-pdf.conf"_s;

bool PrintServer::start(QString& why) {
    const auto fail = [&why](const QString& reason) {
        why = reason;
        return false;
    };
    if (::geteuid() != 0)
        return fail(u"the private print server needs root (cups-pdf runs as root)"_s);
    for (const QString& f : {Cupsd, PdfBackend, PdfPpd, PdfConf})
        if (!QFileInfo::exists(f))
            return fail(f + u" is missing: ./build.sh installs cups and printer-driver-cups-pdf"_s);
    if (!socket_.startsWith(u'/'))
        return fail(u"CUPS_SERVER does not name a socket of this test program"_s);
    const QString root = dir_.path();
    // The server runs its filters as an unprivileged user, who must reach the spool.
    ::chmod(QFile::encodeName(root).constData(), 0755);
    for (const char* d : {"ppd", "spool/tmp", "cache", "state", "log", "out"})
        QDir().mkpath(root + u'/' + QLatin1String(d));
    const std::pair<const char*, QString> configuration[] = {
        {"cups-files.conf",
         u"ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/spool/tmp\nCacheDir %1/cache\n"
         "StateDir %1/state\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
         "PageLog %1/log/page_log\nSystemGroup root\n"_s.arg(root)},
        {"cupsd.conf", u"Listen %1\nLogLevel info\nBrowsing Off\nWebInterface No\n"
                       "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n"
                       "</Location>\n<Location /admin>\n  Order allow,deny\n  Allow all\n"
                       "</Location>\n"_s.arg(socket_)},
        {"cups-pdf.conf", u"Out %1/out\nAnonDirName %1/out\nGrp root\nLog %1/log\n"_s.arg(root)}};
    for (const auto& [name, text] : configuration) {
        QFile f(root + u'/' + QLatin1String(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) != text.toUtf8().size())
            return fail(u"cannot write the server's configuration in "_s + root);
    }
    server_.setProcessChannelMode(QProcess::MergedChannels);
    // cups-pdf reads only its fixed configuration file: in the server's own mount namespace it
    // reads this one, and no other program sees the change.
    server_.start(u"unshare"_s,
                  {u"--mount"_s, u"--propagation"_s, u"private"_s, u"sh"_s, u"-c"_s,
                   u"mount --bind \"$1\" \"$2\" && exec \"$3\" -f -c \"$4\" -s \"$5\""_s, u"sh"_s,
                   root + u"/cups-pdf.conf"_s, PdfConf, Cupsd, root + u"/cupsd.conf"_s,
                   root + u"/cups-files.conf"_s});
    if (!server_.waitForStarted(10000)) return fail(u"unshare could not be started"_s);
    for (const QDeadlineTimer end(20000); !end.hasExpired();) {
        if (server_.state() == QProcess::NotRunning)
            return fail(u"the print server ended at once: "_s +
                        QString::fromLocal8Bit(server_.readAll()) + log());
        if (QFileInfo::exists(socket_) && command(u"lpstat"_s, {u"-r"_s})) return true;
        // Waiting on the process, not sleeping: its state changes only while it is waited on.
        server_.waitForFinished(100);
    }
    stop();
    return fail(u"the print server did not answer: "_s + log());
}

void PrintServer::stop() {
    if (server_.state() == QProcess::NotRunning) return;
    server_.terminate();
    if (!server_.waitForFinished(15000)) {
        server_.kill();
        server_.waitForFinished(5000);
    }
    QFile::remove(socket_);
}

bool PrintServer::command(const QString& program, const QStringList& args, QString* output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool done = p.waitForFinished(30000);
    if (output) *output = QString::fromLocal8Bit(p.readAll());
    return done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool PrintServer::addPdfQueue(const QString& name, const QString& location, QString& why) {
    if (command(u"lpadmin"_s,
                {u"-p"_s, name, u"-v"_s, u"cups-pdf:/"_s, u"-P"_s, PdfPpd, u"-L"_s, location,
                 // PostScript from cairo keeps the fonts, so the PDF written reads back as text.
                 u"-o"_s, u"pdftops-renderer-default=pdftocairo"_s, u"-E"_s},
                &why))
        return true;
    why = u"lpadmin refused the queue: "_s + why;
    return false;
}

QStringList PrintServer::pdfs() const {
    QStringList files;
    for (const QFileInfo& f :
         QDir(dir_.path() + u"/out"_s)
             .entryInfoList({u"*.pdf"_s}, QDir::Files, QDir::Time | QDir::Reversed))
        files << f.absoluteFilePath();
    return files;
}

QString PrintServer::waitForPdf(int count, int timeoutMs) const {
    for (const QDeadlineTimer end(timeoutMs); !end.hasExpired(); QThread::msleep(200)) {
        const QStringList files = pdfs();
        // cups-pdf writes the file, then hands it to its owner: complete once the trailer is in.
        QFile f(files.value(files.size() - 1));
        if (files.size() >= count && f.open(QIODevice::ReadOnly) && f.size() > 5 &&
            f.seek(f.size() - 7) && f.readAll().contains("%%EOF"))
            return files.last();
    }
    return {};
}

QString PrintServer::log() const {
    QFile f(dir_.path() + u"/log/error_log"_s);
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll().right(3000))
                                       : QString();
}

} // namespace lbtest
