#include "support/print_server.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <unistd.h>

namespace lbtest {

namespace {

const QString Cupsd = QStringLiteral("/usr/sbin/cupsd");
const QString PdfBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString PdfPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd");
const QString PdfConf = QStringLiteral("/etc/cups/cups-pdf.conf");

bool write(const QString& path, const QString& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) == text.toUtf8().size();
}

} // namespace

PrintServer::PrintServer() : socket_(qEnvironmentVariable("CUPS_SERVER")) {
    server_.setProcessChannelMode(QProcess::MergedChannels);
}

PrintServer::~PrintServer() {
    stop();
}

bool PrintServer::start(QString& why) {
    if (::geteuid() != 0) {
        why = QStringLiteral("the private print server needs root (cups-pdf runs as root)");
        return false;
    }
    for (const QString& f : {Cupsd, PdfBackend, PdfPpd, PdfConf})
        if (!QFileInfo::exists(f)) {
            why = f + QStringLiteral(" is missing: ./build.sh installs cups and "
                                     "printer-driver-cups-pdf");
            return false;
        }
    if (!socket_.startsWith(QLatin1Char('/'))) {
        why = QStringLiteral("CUPS_SERVER does not name a socket of this test program");
        return false;
    }
    const QString root = dir_.path();
    // The server runs its filters as an unprivileged user, who must reach the spool.
    QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                    QFileDevice::ExeOther);
    for (const char* d : {"ppd", "spool/tmp", "cache", "state", "log", "out"})
        QDir().mkpath(root + QLatin1Char('/') + QLatin1String(d));
    const bool ok =
        write(root + QStringLiteral("/cups-files.conf"),
              QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/spool/tmp\n"
                             "CacheDir %1/cache\nStateDir %1/state\nErrorLog %1/log/error_log\n"
                             "AccessLog %1/log/access_log\nPageLog %1/log/page_log\n"
                             "SystemGroup root\n")
                  .arg(root)) &&
        write(root + QStringLiteral("/cupsd.conf"),
              QStringLiteral("Listen %1\nLogLevel info\nBrowsing Off\nWebInterface No\n"
                             "DefaultAuthType None\n<Location />\n  Order allow,deny\n"
                             "  Allow all\n</Location>\n<Location /admin>\n  Order allow,deny\n"
                             "  Allow all\n</Location>\n")
                  .arg(socket_)) &&
        write(root + QStringLiteral("/cups-pdf.conf"),
              QStringLiteral("Out %1/out\nAnonDirName %1/out\nGrp root\nLog %1/log\n").arg(root));
    if (!ok) {
        why = QStringLiteral("cannot write the server's configuration in ") + root;
        return false;
    }
    // cups-pdf reads only its fixed configuration file: in the server's own mount namespace it
    // reads this one, and no other program sees the change.
    server_.start(
        QStringLiteral("unshare"),
        {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
         QStringLiteral("sh"), QStringLiteral("-c"),
         QStringLiteral("mount --bind \"$1\" \"$2\" && exec \"$3\" -f -c \"$4\" -s \"$5\""),
         QStringLiteral("sh"), root + QStringLiteral("/cups-pdf.conf"), PdfConf, Cupsd,
         root + QStringLiteral("/cupsd.conf"), root + QStringLiteral("/cups-files.conf")});
    if (!server_.waitForStarted(10000)) {
        why = QStringLiteral("unshare could not be started");
        return false;
    }
    const QDateTime until = QDateTime::currentDateTime().addSecs(20);
    while (QDateTime::currentDateTime() < until) {
        if (server_.state() == QProcess::NotRunning) {
            why = QStringLiteral("the print server ended at once: ") +
                  QString::fromLocal8Bit(server_.readAll()) + log();
            return false;
        }
        if (QFileInfo::exists(socket_) && command(QStringLiteral("lpstat"), {QStringLiteral("-r")}))
            return true;
        // Waiting on the process, not sleeping: its state changes only while it is waited on.
        server_.waitForFinished(100);
    }
    why = QStringLiteral("the print server did not answer: ") + log();
    stop();
    return false;
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
    if (command(QStringLiteral("lpadmin"),
                {QStringLiteral("-p"), name, QStringLiteral("-v"), QStringLiteral("cups-pdf:/"),
                 QStringLiteral("-P"), PdfPpd, QStringLiteral("-L"), location,
                 // PostScript from cairo keeps the fonts, so the PDF written reads back as text.
                 QStringLiteral("-o"), QStringLiteral("pdftops-renderer-default=pdftocairo"),
                 QStringLiteral("-E")},
                &why))
        return true;
    why = QStringLiteral("lpadmin refused the queue: ") + why;
    return false;
}

QStringList PrintServer::pdfs() const {
    QDir out(dir_.path() + QStringLiteral("/out"));
    QStringList files;
    for (const QFileInfo& f :
         out.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time | QDir::Reversed))
        files << f.absoluteFilePath();
    return files;
}

QString PrintServer::waitForPdf(int count, int timeoutMs) const {
    const QDateTime until = QDateTime::currentDateTime().addMSecs(timeoutMs);
    while (QDateTime::currentDateTime() < until) {
        const QStringList files = pdfs();
        // cups-pdf writes the file and then hands it to its owner: complete once it ends in
        // the PDF trailer.
        if (files.size() >= count) {
            QFile f(files.last());
            if (f.open(QIODevice::ReadOnly) && f.size() > 5) {
                f.seek(f.size() - 7);
                if (f.readAll().contains("%%EOF")) return files.last();
            }
        }
        QThread::msleep(200);
    }
    return {};
}

QString PrintServer::log() const {
    QFile f(dir_.path() + QStringLiteral("/log/error_log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll().right(3000))
                                       : QString();
}

} // namespace lbtest
