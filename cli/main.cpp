// kt900: the command-line companion of the KT900 editor. Backups, preset
// files and user slots from scripts, on the editor's own libraries.

#include "commandline.h"
#include "offline.h"
#include "output.h"
#include "pathcheck.h"
#include "unitcommands.h"
#include "unitsession.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// First SIGINT / SIGTERM: the current transfer is finished (a unit left in
// the middle of a recall or an upload is worse than a short wait); waits
// that can be left safely give up. A second one ends the program at once.
extern "C" void onInterrupt(int sig)
{
    if (Cli::interruptRequested()) {
        // What stopping now leaves behind (a recall: part of the backup).
        if (const char *notice = Cli::stopNotice()) {
            const ssize_t ignored = ::write(STDERR_FILENO, notice, std::strlen(notice));
            (void)ignored;
        }
        std::signal(sig, SIG_DFL);
        std::raise(sig);
        return;
    }
    Cli::setInterruptRequested();
    static const char text[] = "\nkt900: finishing the current step (interrupt again to stop at once)\n";
    const ssize_t ignored = ::write(STDERR_FILENO, text, sizeof text - 1);
    (void)ignored;
}

void installInterruptHandler()
{
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kt900"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KT900_VERSION));

    const Cli::ParseResult parsed = Cli::parseCommandLine(QCoreApplication::arguments().mid(1));
    if (!parsed.ok) {
        std::fprintf(stderr, "kt900: %s\n", qPrintable(parsed.error));
        return 2;
    }
    const Cli::Invocation &inv = parsed.invocation;
    if (inv.showVersion) {
        std::printf("kt900 %s\n", KT900_VERSION);
        return 0;
    }
    if (inv.command == Cli::Command::Help) {
        const QString text = inv.helpFor == Cli::Command::None ? Cli::usageText() : Cli::commandHelp(inv.helpFor);
        std::fputs(qPrintable(text), stdout);
        return 0;
    }

    // The libraries' diagnostics stay quiet unless asked for (QT_LOGGING_RULES
    // still overrides this).
    QLoggingCategory::setFilterRules(inv.verbose ? QStringLiteral("kt900.*=true") : QStringLiteral("kt900.*=false"));
    installInterruptHandler();

    Cli::Output out(Cli::Output::stderrIsTerminal());
    QString pathProblem;
    if (!Cli::checkPaths(inv, &pathProblem)) {
        out.error(pathProblem);
        return 1;
    }
    int rc = 1;
    switch (inv.command) {
    case Cli::Command::Info: rc = Cli::runInfo(inv, out); break;
    case Cli::Command::List: rc = Cli::runList(inv, out); break;
    case Cli::Command::Export: rc = Cli::runExport(inv, out); break;
    case Cli::Command::Import: rc = Cli::runImport(inv, out); break;
    case Cli::Command::Backup: rc = Cli::runBackup(inv, out); break;
    case Cli::Command::Recall: rc = Cli::runRecall(inv, out); break;
    case Cli::Command::IrUpload:
    case Cli::Command::NrUpload: rc = Cli::runSlotUpload(inv, out); break;
    case Cli::Command::SlotDelete: rc = Cli::runSlotDelete(inv, out); break;
    case Cli::Command::IrConvert: rc = Cli::runIrConvert(inv.files.value(0), inv.output, out); break;
    case Cli::Command::Check: rc = Cli::runCheck(inv.files, inv.json, out); break;
    case Cli::Command::FirmwareInfo: rc = Cli::runFirmwareInfo(inv.files.value(0), inv.json, out); break;
    default: break;
    }
    // A command given up because of an interrupt ends as shells expect.
    if (rc != 0 && Cli::interruptRequested())
        rc = 128 + SIGINT;
    return rc;
}
