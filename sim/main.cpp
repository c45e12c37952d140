// kt900-sim: runs a program with a virtual KT900 plugged in.
//
//   kt900-sim [options] -- <program> [arguments]
//
// The program (the launcher, the editor, lsusb, any libusb client) runs
// unmodified under the umockdev preload and finds the virtual unit on USB.
// "{address}" and "{bus}" in its arguments are replaced by the unit's bus
// address and bus number. Programs the program starts see the unit too (the
// launcher starts the editor and ends): kt900-sim adopts them and stays until
// the last one has ended, then exits with the program's exit code.

#include "unitoptions.h"
#include "usbbridge.h"
#include "virtualunit.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringList>

#include <glib-unix.h>
#include <glib.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <dirent.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <vector>

using namespace Kt900Sim;

namespace {

constexpr const char *kPreload = "libumockdev-preload.so.0";

struct Host {
    VirtualUnit *unit = nullptr;
    UsbBridge *bridge = nullptr;
    GMainLoop *loop = nullptr;
    GPid child = 0;
    int exitCode = 0;
    QString stateFile;
    int controlFd = -1;
    QByteArray controlBuffer;
};

void message(const QString &text)
{
    std::fprintf(stderr, "kt900-sim: %s\n", qPrintable(text));
}

// Re-executes this program under the preload unless it already runs there:
// the testbed and its uevents have to live inside the mocked environment.
void ensurePreload(char **argv)
{
    const char *preload = std::getenv("LD_PRELOAD");
    if (preload && std::strstr(preload, "libumockdev-preload"))
        return;
    if (std::getenv("KT900_SIM_REEXEC")) {
        message(QStringLiteral("the umockdev preload (%1) cannot be loaded; is the umockdev package installed?").arg(QLatin1String(kPreload)));
        std::exit(1);
    }
    QByteArray value = kPreload;
    if (preload && *preload)
        value += QByteArray(":") + preload;
    setenv("LD_PRELOAD", value.constData(), 1);
    setenv("KT900_SIM_REEXEC", "1", 1);
    // Sanitizer runtimes want to come first; the preload comes first here.
    QByteArray asan = qgetenv("ASAN_OPTIONS");
    if (!asan.contains("verify_asan_link_order")) {
        asan += asan.isEmpty() ? "verify_asan_link_order=0" : ":verify_asan_link_order=0";
        setenv("ASAN_OPTIONS", asan.constData(), 1);
    }
    // umockdev's socket paths must stay below 108 characters.
    const char *tmp = std::getenv("TMPDIR");
    if (tmp && std::strlen(tmp) > 40) {
        setenv("KT900_SIM_TMPDIR", tmp, 1);
        setenv("TMPDIR", "/tmp", 1);
    }
    execv("/proc/self/exe", argv);
    message(QStringLiteral("cannot restart under the preload: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    std::exit(1);
}

bool parseInt(const QString &text, int *value, int base = 10)
{
    bool ok = false;
    const int v = text.toInt(&ok, base);
    if (ok)
        *value = v;
    return ok;
}

// One control command: "select 5", "param 2 0 80", "type 2 4", "switch 7 0",
// "page 2", "tempo 96", "store 9 MY TONE", "unplug", "ack on|off",
// "delay 200", "save".
QString runCommand(Host &host, const QString &line)
{
    const QStringList w = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (w.isEmpty())
        return QString();
    const QString cmd = w.first().toLower();
    int a = 0, b = 0, c = 0;
    VirtualUnit &unit = *host.unit;
    bool ok = false;
    if (cmd == QLatin1String("select") && w.size() == 2 && parseInt(w[1], &a))
        ok = unit.selectPreset(a);
    else if (cmd == QLatin1String("param") && w.size() == 4 && parseInt(w[1], &a) && parseInt(w[2], &b) && parseInt(w[3], &c))
        ok = unit.setParameter(a, b, c);
    else if (cmd == QLatin1String("type") && w.size() == 3 && parseInt(w[1], &a) && parseInt(w[2], &b))
        ok = unit.setModuleType(a, b);
    else if (cmd == QLatin1String("switch") && w.size() == 3 && parseInt(w[1], &a) && parseInt(w[2], &b))
        ok = unit.setModuleSwitch(a, b != 0);
    else if (cmd == QLatin1String("page") && w.size() == 2 && parseInt(w[1], &a))
        ok = unit.setPage(static_cast<std::uint32_t>(a));
    else if (cmd == QLatin1String("tempo") && w.size() == 2 && parseInt(w[1], &a))
        ok = unit.setTempo(a);
    else if (cmd == QLatin1String("store") && w.size() >= 3 && parseInt(w[1], &a))
        ok = unit.storePreset(a, QStringList(w.mid(2)).join(QLatin1Char(' ')));
    else if (cmd == QLatin1String("unplug") && w.size() == 1) {
        unit.unplug();
        ok = true;
    } else if (cmd == QLatin1String("ack") && w.size() == 2) {
        FaultOptions f = unit.faults();
        f.acknowledge = w[1].toLower() != QLatin1String("off");
        f.stopAckAfter = -1;
        unit.setFaults(f);
        ok = true;
    } else if (cmd == QLatin1String("delay") && w.size() == 2 && parseInt(w[1], &a)) {
        FaultOptions f = unit.faults();
        f.replyDelayMs = a;
        unit.setFaults(f);
        ok = true;
    } else if (cmd == QLatin1String("save") && w.size() == 1) {
        QString error;
        ok = !host.stateFile.isEmpty() && unit.saveState(host.stateFile, &error);
        if (!error.isEmpty())
            return error;
    } else {
        return QStringLiteral("unknown command \"%1\"").arg(line.trimmed());
    }
    return ok ? QString() : QStringLiteral("\"%1\" was refused").arg(line.trimmed());
}

gboolean onControlInput(gint fd, GIOCondition, gpointer data)
{
    Host &host = *static_cast<Host *>(data);
    char buf[512];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        host.controlBuffer.append(buf, static_cast<int>(n));
    int newline;
    while ((newline = host.controlBuffer.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(host.controlBuffer.left(newline));
        host.controlBuffer.remove(0, newline + 1);
        const QString error = runCommand(host, line);
        if (!error.isEmpty())
            message(error);
    }
    return G_SOURCE_CONTINUE;
}

struct TimedCommand {
    Host *host;
    QString command;
};

gboolean onTimedCommand(gpointer data)
{
    auto *timed = static_cast<TimedCommand *>(data);
    const QString error = runCommand(*timed->host, timed->command);
    if (!error.isEmpty())
        message(error);
    return G_SOURCE_REMOVE;
}

// Processes whose parent is this one: the program and whatever it left
// behind (a launcher starts the editor and ends; the editor is adopted here).
std::vector<pid_t> ownChildren()
{
    std::vector<pid_t> pids;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return pids;
    const pid_t self = ::getpid();
    while (dirent *e = ::readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid <= 0)
            continue;
        char path[64];
        std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
        FILE *f = std::fopen(path, "r");
        if (!f)
            continue;
        char line[512] = {0};
        const bool read = std::fgets(line, sizeof line, f) != nullptr;
        std::fclose(f);
        const char *close = read ? std::strrchr(line, ')') : nullptr;
        char state = 0;
        int ppid = 0;
        if (close && std::sscanf(close + 1, " %c %d", &state, &ppid) == 2 && ppid == self && state != 'Z')
            pids.push_back(pid);
    }
    ::closedir(proc);
    return pids;
}

// After the program ended: reaps what it left behind and ends the loop when
// nothing is left, so that an editor started by the launcher keeps its unit.
gboolean onReapAdopted(gpointer data)
{
    Host &host = *static_cast<Host *>(data);
    pid_t reaped;
    while ((reaped = ::waitpid(-1, nullptr, WNOHANG)) > 0) {
    }
    if (reaped < 0 && errno == ECHILD) {
        g_main_loop_quit(host.loop);
        return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
}

void onChildExit(GPid pid, gint status, gpointer data)
{
    Host &host = *static_cast<Host *>(data);
    if (WIFEXITED(status))
        host.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        host.exitCode = 128 + WTERMSIG(status);
    else
        host.exitCode = 1;
    g_spawn_close_pid(pid);
    host.child = 0;
    if (onReapAdopted(&host) == G_SOURCE_CONTINUE)
        g_timeout_add(100, &onReapAdopted, &host);
}

gboolean onSignal(gpointer)
{
    // SIGTERM / SIGHUP go on to the program (and what it started); they
    // decide when to end.
    for (pid_t pid : ownChildren())
        ::kill(pid, SIGTERM);
    return G_SOURCE_CONTINUE;
}

} // namespace

int main(int argc, char **argv)
{
    ensurePreload(argv);

    // Options before "--", the program and its arguments after it.
    QStringList options{QString::fromLocal8Bit(argv[0])};
    QStringList command;
    bool seenSeparator = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (!seenSeparator && arg == QLatin1String("--"))
            seenSeparator = true;
        else if (seenSeparator)
            command << arg;
        else
            options << arg;
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs a program with a virtual KT900 plugged in behind the real libusb code path.\n"
        "Usage: kt900-sim [options] -- <program> [arguments]\n"
        "\"{address}\" and \"{bus}\" in the arguments are replaced by the unit's bus address and bus number;\n"
        "the program also finds them in KT900_SIM_ADDRESS and KT900_SIM_BUS. Programs it starts (the launcher\n"
        "starts the editor) see the unit too; kt900-sim stays until the last of them has ended and exits with\n"
        "the program's exit code.\n\n"
        "Control commands (--control FIFO, --at): select N | param MODULE INDEX RAW | type MODULE TYPE |\n"
        "switch MODULE 0|1 | page CODE | tempo BPM | store N NAME | unplug | ack on|off | delay MS | save"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    const QCommandLineOption mode(QStringLiteral("mode"), QStringLiteral("A = normal (default), B = firmware-update mode."), QStringLiteral("A|B"), QStringLiteral("A"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Firmware version text (default V1.1.0)."), QStringLiteral("text"), QStringLiteral("V1.1.0"));
    const QCommandLineOption model(QStringLiteral("model"), QStringLiteral("Model name the unit reports (default TOVAK_KT900)."), QStringLiteral("name"), QStringLiteral("TOVAK_KT900"));
    const QCommandLineOption info1(QStringLiteral("info1"), QStringLiteral("Info text 1 of the device info reply."), QStringLiteral("text"), QStringLiteral("HW1.2"));
    const QCommandLineOption info3(QStringLiteral("info3"), QStringLiteral("Info text 3 of the device info reply."), QStringLiteral("text"), QStringLiteral("BL1.0"));
    const QCommandLineOption type(QStringLiteral("type"), QStringLiteral("Device type 1, 3..8 (default 4; 6 = bulk)."), QStringLiteral("n"), QStringLiteral("4"));
    const QCommandLineOption productId(QStringLiteral("product-id"), QStringLiteral("Product id instead of the type's (hex)."), QStringLiteral("hex"));
    const QCommandLineOption bcd(QStringLiteral("bcd"), QStringLiteral("bcdDevice instead of the type's (hex)."), QStringLiteral("hex"));
    const QCommandLineOption bus(QStringLiteral("bus"), QStringLiteral("Bus number (default 1)."), QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption address(QStringLiteral("address"), QStringLiteral("Bus address of the unit, 2..127 (default 5)."), QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption printAddress(QStringLiteral("print-address"), QStringLiteral("Prints the unit's bus address on stdout before the program starts."));
    const QCommandLineOption paced(QStringLiteral("paced"), QStringLiteral("One report per millisecond each way, like a full-speed interrupt endpoint."));
    const QCommandLineOption noFifo(QStringLiteral("busy-poll"), QStringLiteral("Plain device node (the client spins while it waits)."));
    const QCommandLineOption state(QStringLiteral("state"), QStringLiteral("Loads the unit's memory from this file (when it exists) and saves it there on exit."), QStringLiteral("file"));
    const QCommandLineOption firmware(QStringLiteral("firmware"), QStringLiteral("Takes the loader's command and acknowledgement codes from this firmware file."), QStringLiteral("file.tk"));
    const QCommandLineOption captureMs(QStringLiteral("capture-ms"), QStringLiteral("Duration of a tone capture (default 3000)."), QStringLiteral("ms"), QStringLiteral("3000"));
    const QCommandLineOption unplugAfter(QStringLiteral("unplug-after-reports"), QStringLiteral("Fault: the unit vanishes after sending N reports."), QStringLiteral("n"));
    const QCommandLineOption noAck(QStringLiteral("no-ack"), QStringLiteral("Fault: chunks and firmware blocks are not acknowledged."));
    const QCommandLineOption ackLimit(QStringLiteral("ack-limit"), QStringLiteral("Fault: acknowledge N chunks or blocks, then stop."), QStringLiteral("n"));
    const QCommandLineOption corrupt(QStringLiteral("corrupt-frame"), QStringLiteral("Fault: damage the CRC of the Nth frame the unit sends."), QStringLiteral("n"));
    const QCommandLineOption delay(QStringLiteral("reply-delay"), QStringLiteral("Fault: hold every answer back this long."), QStringLiteral("ms"));
    const QCommandLineOption refuseApply(QStringLiteral("refuse-apply"), QStringLiteral("Fault: the loader refuses the apply command."));
    const QCommandLineOption noInfo(QStringLiteral("no-info"), QStringLiteral("Fault: the device info request is not answered."));
    const QCommandLineOption control(QStringLiteral("control"), QStringLiteral("Reads control commands, one per line, from this FIFO (created when missing)."), QStringLiteral("fifo"));
    const QCommandLineOption at(QStringLiteral("at"), QStringLiteral("Runs a control command MS milliseconds after the program started (repeatable), e.g. --at \"4000:select 12\"."), QStringLiteral("ms:command"));
    const QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("Logs every frame the unit refuses."));
    for (const QCommandLineOption &o : {help, mode, version, model, info1, info3, type, productId, bcd, bus, address, printAddress, paced, noFifo, state,
                                        firmware, captureMs, unplugAfter, noAck, ackLimit, corrupt, delay, refuseApply, noInfo, control, at, verbose})
        parser.addOption(o);
    if (!parser.parse(options)) {
        message(parser.errorText());
        return 2;
    }
    if (parser.isSet(help)) {
        // The help text names the program from the application's arguments.
        QCoreApplication app(argc, argv);
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (command.isEmpty()) {
        message(QStringLiteral("no program given. Usage: kt900-sim [options] -- <program> [arguments] (--help for the options)"));
        return 2;
    }
    if (parser.isSet(verbose))
        QLoggingCategory::setFilterRules(QStringLiteral("kt900.sim.debug=true"));

    UnitOptions uo;
    BridgeOptions bo;
    auto bad = [](const QString &what) {
        message(QStringLiteral("invalid %1").arg(what));
        return 2;
    };
    const QString modeText = parser.value(mode).toUpper();
    if (modeText != QLatin1String("A") && modeText != QLatin1String("B"))
        return bad(QStringLiteral("--mode (A or B)"));
    uo.mode = modeText.at(0).toLatin1();
    uo.version = parser.value(version);
    uo.modelName = parser.value(model);
    uo.info1 = parser.value(info1);
    uo.info3 = parser.value(info3);
    if (!parseInt(parser.value(type), &uo.deviceType) || !deviceTypeIds(uo.deviceType, nullptr, nullptr))
        return bad(QStringLiteral("--type (1, 3, 4, 5, 6, 7 or 8)"));
    if (parser.isSet(productId) && (!parseInt(parser.value(productId), &uo.productId, 16) || uo.productId < 0 || uo.productId > 0xFFFF))
        return bad(QStringLiteral("--product-id"));
    if (parser.isSet(bcd) && (!parseInt(parser.value(bcd), &uo.bcdDevice, 16) || uo.bcdDevice < 0 || uo.bcdDevice > 0xFFFF))
        return bad(QStringLiteral("--bcd"));
    if (!parseInt(parser.value(bus), &bo.busNumber) || bo.busNumber < 1 || bo.busNumber > 127)
        return bad(QStringLiteral("--bus (1..127)"));
    if (!parseInt(parser.value(address), &bo.deviceAddress) || bo.deviceAddress < 2 || bo.deviceAddress > 127)
        return bad(QStringLiteral("--address (2..127)"));
    bo.paced = parser.isSet(paced);
    bo.fifoWakeup = !parser.isSet(noFifo);
    if (!parseInt(parser.value(captureMs), &uo.captureTimeMs) || uo.captureTimeMs < 0)
        return bad(QStringLiteral("--capture-ms"));
    if (parser.isSet(firmware)) {
        QString error;
        if (!uo.loader.fromFirmwareFile(parser.value(firmware), &error)) {
            message(error);
            return 2;
        }
    }
    FaultOptions &f = uo.faults;
    if (parser.isSet(unplugAfter) && (!parseInt(parser.value(unplugAfter), &f.unplugAfterReports) || f.unplugAfterReports < 0))
        return bad(QStringLiteral("--unplug-after-reports"));
    f.acknowledge = !parser.isSet(noAck);
    if (parser.isSet(ackLimit) && (!parseInt(parser.value(ackLimit), &f.stopAckAfter) || f.stopAckAfter < 0))
        return bad(QStringLiteral("--ack-limit"));
    if (parser.isSet(corrupt) && (!parseInt(parser.value(corrupt), &f.corruptFrame) || f.corruptFrame < 1))
        return bad(QStringLiteral("--corrupt-frame"));
    if (parser.isSet(delay) && (!parseInt(parser.value(delay), &f.replyDelayMs) || f.replyDelayMs < 0))
        return bad(QStringLiteral("--reply-delay"));
    f.refuseApply = parser.isSet(refuseApply);
    f.answerInfo = !parser.isSet(noInfo);

    std::vector<std::pair<int, QString>> timed;
    for (const QString &timedCommand : parser.values(at)) {
        const int colon = timedCommand.indexOf(QLatin1Char(':'));
        int ms = 0;
        if (colon < 0 || !parseInt(timedCommand.left(colon), &ms) || ms < 0)
            return bad(QStringLiteral("--at \"%1\" (MS:COMMAND)").arg(timedCommand));
        timed.emplace_back(ms, timedCommand.mid(colon + 1));
    }

    VirtualUnit unit(uo);
    Host host;
    host.unit = &unit;
    host.stateFile = parser.value(state);
    if (!host.stateFile.isEmpty() && QFileInfo::exists(host.stateFile)) {
        QString error;
        if (!unit.loadState(host.stateFile, &error)) {
            message(error + QStringLiteral(" (starting from the factory set)"));
        }
    }

    UsbBridge bridge(unit, bo);
    host.bridge = &bridge;
    QString error;
    if (!bridge.start(&error)) {
        message(error);
        return 1;
    }
    if (parser.isSet(printAddress)) {
        std::printf("%d\n", bridge.deviceAddress());
        std::fflush(stdout);
    }

    // The program's environment: the preload and the testbed are inherited;
    // a shortened TMPDIR is given back.
    const QByteArray originalTmp = qgetenv("KT900_SIM_TMPDIR");
    gchar **env = g_get_environ();
    env = g_environ_unsetenv(env, "KT900_SIM_REEXEC");
    env = g_environ_unsetenv(env, "KT900_SIM_TMPDIR");
    if (!originalTmp.isEmpty())
        env = g_environ_setenv(env, "TMPDIR", originalTmp.constData(), TRUE);
    env = g_environ_setenv(env, "KT900_SIM_ADDRESS", QByteArray::number(bridge.deviceAddress()).constData(), TRUE);
    env = g_environ_setenv(env, "KT900_SIM_BUS", QByteArray::number(bridge.busNumber()).constData(), TRUE);

    std::vector<QByteArray> childArgs;
    for (QString arg : command) {
        arg.replace(QLatin1String("{address}"), QString::number(bridge.deviceAddress()));
        arg.replace(QLatin1String("{bus}"), QString::number(bridge.busNumber()));
        childArgs.push_back(arg.toLocal8Bit());
    }
    std::vector<gchar *> childArgv;
    for (QByteArray &a : childArgs)
        childArgv.push_back(a.data());
    childArgv.push_back(nullptr);

    // Programs the child starts and leaves behind are adopted by this process,
    // which keeps the unit plugged in until the last of them ends.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);

    GError *spawnError = nullptr;
    const gboolean spawned = g_spawn_async(nullptr, childArgv.data(), env,
                                           static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_CHILD_INHERITS_STDIN),
                                           nullptr, nullptr, &host.child, &spawnError);
    g_strfreev(env);
    if (!spawned) {
        message(QStringLiteral("cannot start %1: %2").arg(command.first(), QString::fromUtf8(spawnError ? spawnError->message : "")));
        g_clear_error(&spawnError);
        return 127;
    }

    host.loop = g_main_loop_new(nullptr, FALSE);
    g_child_watch_add(host.child, &onChildExit, &host);
    g_unix_signal_add(SIGTERM, &onSignal, nullptr);
    g_unix_signal_add(SIGHUP, &onSignal, nullptr);
    g_unix_signal_add(SIGINT, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr); // the program gets it from the terminal

    if (parser.isSet(control)) {
        const QByteArray path = parser.value(control).toLocal8Bit();
        struct stat st;
        if (::stat(path.constData(), &st) != 0 && ::mkfifo(path.constData(), 0600) != 0)
            message(QStringLiteral("cannot create the control FIFO %1").arg(parser.value(control)));
        host.controlFd = ::open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (host.controlFd >= 0)
            g_unix_fd_add(host.controlFd, G_IO_IN, &onControlInput, &host);
        else
            message(QStringLiteral("cannot open the control FIFO %1").arg(parser.value(control)));
    }
    std::vector<std::unique_ptr<TimedCommand>> timedCommands;
    for (const auto &t : timed) {
        timedCommands.push_back(std::make_unique<TimedCommand>(TimedCommand{&host, t.second}));
        g_timeout_add(static_cast<guint>(t.first), &onTimedCommand, timedCommands.back().get());
    }

    g_main_loop_run(host.loop);
    g_main_loop_unref(host.loop);
    if (host.controlFd >= 0)
        ::close(host.controlFd);

    if (!host.stateFile.isEmpty()) {
        QString saveError;
        if (!unit.saveState(host.stateFile, &saveError))
            message(saveError);
    }
    const QStringList refused = unit.protocolErrors();
    if (!refused.isEmpty() && !parser.isSet(verbose))
        message(QStringLiteral("the unit refused %1 frame(s); run with --verbose to see them").arg(refused.size()));
    else
        for (const QString &r : refused)
            message(QStringLiteral("refused: ") + r);
    return host.exitCode;
}
