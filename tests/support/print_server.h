#pragma once

// A print server of the test's own: cupsd from a temporary folder, listening only on the socket
// named by CUPS_SERVER, with PDF queues (cups-pdf) writing into that folder. cups-pdf's fixed
// configuration file is replaced only in the server's private mount namespace.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace lbtest {

class PrintServer {
public:
    PrintServer() : socket_(qEnvironmentVariable("CUPS_SERVER")) {}
    ~PrintServer() { stop(); }
    Q_DISABLE_COPY(PrintServer)

    // Starts the server; false with the reason when it cannot run here.
    bool start(QString& why);
    void stop();
    // A PDF queue; false with the reason when the server refuses it.
    bool addPdfQueue(const QString& name, const QString& location, QString& why);
    // Runs a print-system command (lpadmin, cupsreject, ...) against this server.
    bool command(const QString& program, const QStringList& args, QString* output = nullptr);

    // The PDF files the queues have written so far, oldest first.
    QStringList pdfs() const;
    // Waits until there are `count` PDF files, finished; the newest, or empty after the time out.
    QString waitForPdf(int count, int timeoutMs = 90000) const;
    QString log() const;

private:
    QTemporaryDir dir_;
    QProcess server_;
    QString socket_;
};

} // namespace lbtest
