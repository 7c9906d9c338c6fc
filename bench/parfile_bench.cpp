// Parameter files: writing and reading a full table in memory, and the command-line program
// loading a full set into the 401-parameter unit over a pseudo-terminal with wire time emulated.
//   parfile_bench [repetitions=2000] [cli=<this program's folder>/../src/cli/qu32-cli]
// Prints the time per call of writeParameterFile and readParameterFile and the file size; then
// runs `qu32-cli --simulate=big401 --trace save` (for the file) and `... load` as processes and
// sets their elapsed time against the wire time of the frames they traced.

#include <stdlib.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "bench/CpuClock.h"
#include "parfiles/ParameterFile.h"
#include "platform/SerialPort.h"
#include "sim/LineFormat.h"
#include "sim/SimUnit.h"
#include "sim/UnitModel.h"
#include "unit/RegisterCodes.h"
#include "unit/UnitDescription.h"

using namespace qu32;

namespace {

constexpr int kBaud = 9600;
constexpr char kModel[] = "big401";
// A pause between an answer and the next request longer than this is worth naming.
constexpr double kPauseMs = 20.0;
// An answer this much later than its wire time and the unit's turnaround is a slow spot.
constexpr double kSlowAnswerMs = 1.0;
constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kNak = 0x15;

// CPU time (user and system) of the child processes waited for so far, in seconds.
double childCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Spread {
    double min = 0;
    double median = 0;
    double p99 = 0;
    double max = 0;
    double mean = 0;
};

Spread spreadOf(std::vector<double> v) {
    Spread s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    s.min = v.front();
    s.median = v[v.size() / 2];
    s.p99 = v[v.size() * 99 / 100];
    s.max = v.back();
    for (double x : v)
        s.mean += x;
    s.mean /= static_cast<double>(v.size());
    return s;
}

// Texts as the units bring them: German, Latin-1 umlauts, varied lengths. A literal is split
// where the next letter would extend the hexadecimal escape.
constexpr const char* kTexts[] = {
    "Sollwert",
    "Istwertkorrektur",
    "Beschleunigung",
    "Verz\xF6gerung",
    "Geschwindigkeit",
    "Verst\xE4rkung",
    "Nachstellzeit",
    "Totband",
    "Schleppfehler",
    "Positionsoffset",
    "Endlage vorw\xE4rts",
    "Endlage r\xFC"
    "ckw\xE4rts",
    "Referenzwert",
    "Filterzeit",
    "Nockenpunkt 1",
    "Nockenpunkt 2",
    "Ausgang Modus",
    "Bremse L\xFC"
    "ftzeit",
    "Getriebefaktor Z\xE4hler",
    "Impulse je Umdrehung",
};

struct ValueKind {
    const char* value;
    std::int32_t min;
    std::int32_t max;
};
// Signed, unsigned with and without a point, "#" values.
constexpr ValueKind kValues[] = {
    {"+000000", -999999, 999999},
    {"+0000.0", -9999, 9999},
    {"0050.0", 1, 99999},
    {"01500", 0, 30000},
    {"01.00", 0, 9999},
    {"0.250", 0, 9999},
    {"002", 0, 999},
    {"#00000000", 0, 999999999},
    {"-0012.5", -99999, 99999},
    {"+05000000", -9999999, 9999999},
    {"1", 0, 1},
    {"#00004096", 0, 65535},
};

std::string codeFor(int n) {
    // Codes of two characters from the units' alphabet; never the heading code.
    static const std::string alphabet =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwyz";
    const std::size_t size = alphabet.size();
    const std::size_t i = static_cast<std::size_t>(n);
    return {alphabet[(i / size) % size], alphabet[i % size]};
}

UnitDescription fullTable() {
    UnitDescription d;
    int code = 0;
    int axis = 0;
    for (int i = 0; i < kMaxParameters; ++i) {
        Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        // A heading before every group of 20 rows, as the multi-axis units lay them out.
        if (i % 20 == 0) {
            p.text = "Achse " + std::to_string(++axis) + " Lageregelung";
            p.code = kHeadingCode;
            continue;
        }
        p.text = kTexts[static_cast<std::size_t>(i) % std::size(kTexts)];
        p.code = codeFor(code++);
        const ValueKind& v = kValues[static_cast<std::size_t>(i) % std::size(kValues)];
        p.value = v.value;
        p.format.minValue = v.min;
        p.format.maxValue = v.max;
    }
    d.parameterCount = kMaxParameters;
    return d;
}

// Rows that do not come back as written; none expected.
int roundTripMismatches(const UnitDescription& d, const ParameterFileContent& c) {
    if (c.outcome != ParameterFileContent::Outcome::Read ||
        c.rows.size() != static_cast<std::size_t>(d.parameterCount))
        return d.parameterCount;
    int bad = 0;
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
        const Parameter& a = d.parameters[i];
        const Parameter& b = c.rows[i];
        if (a.text != b.text || a.code != b.code || a.value != b.value ||
            a.format.minValue != b.format.minValue || a.format.maxValue != b.format.maxValue)
            ++bad;
    }
    return bad;
}

template <typename Call>
Spread timeCalls(int repetitions, Call call, double& cpu) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(repetitions));
    QElapsedTimer t;
    // The first call pays for cold caches and the allocator's first pages.
    call();
    const double cpu0 = cpuSeconds();
    for (int i = 0; i < repetitions; ++i) {
        t.start();
        call();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    cpu = cpuSeconds() - cpu0;
    return spreadOf(ms);
}

void benchFileCode(int repetitions) {
    const UnitDescription d = fullTable();
    const ParameterFileHeader header{"CU84721 ", "CU84703 ",
                                     "Line 3, press 2: after the gearbox change, 2nd shift"};
    const std::string bytes = writeParameterFile(header, d);
    const ParameterFileContent back = readParameterFile(bytes);
    // Every call's result is checked, so that none can be optimised away.
    int odd = 0;
    double writeCpu = 0;
    const Spread w = timeCalls(
        repetitions, [&] { odd += writeParameterFile(header, d).size() != bytes.size(); },
        writeCpu);
    double readCpu = 0;
    const Spread r = timeCalls(
        repetitions, [&] { odd += readParameterFile(bytes).rows.size() != back.rows.size(); },
        readCpu);
    std::printf("file code, %d rows, %d calls each (%d with another result):\n", d.parameterCount,
                repetitions, odd);
    std::printf(
        "  writeParameterFile: median %.3f ms, 99%% %.3f ms, max %.3f ms, mean %.3f ms; CPU %.3f "
        "ms/call\n",
        w.median, w.p99, w.max, w.mean, 1000.0 * writeCpu / repetitions);
    std::printf(
        "  readParameterFile:  median %.3f ms, 99%% %.3f ms, max %.3f ms, mean %.3f ms; CPU %.3f "
        "ms/call\n",
        r.median, r.p99, r.max, r.mean, 1000.0 * readCpu / repetitions);
    std::printf("  file %zu bytes; rows read back %zu, differing from the table %d; comment %s\n",
                bytes.size(), back.rows.size(), roundTripMismatches(d, back),
                back.header.comment == header.comment ? "kept" : "CHANGED");
}

struct Frame {
    double ms = 0;
    bool sent = false;
    Bytes bytes;
};

// "   12.345 TX 04 31 31 30 30 05  |.1100.|"; nothing for the program's other lines.
std::optional<Frame> parseTraceLine(const std::string& line) {
    char* end = nullptr;
    Frame f;
    f.ms = std::strtod(line.c_str(), &end);
    std::size_t i = static_cast<std::size_t>(end - line.c_str());
    if (i == 0 || line.compare(i, 4, " TX ") != 0) {
        if (i == 0 || line.compare(i, 4, " RX ") != 0)
            return std::nullopt;
    }
    f.sent = line[i + 1] == 'T';
    i += 3;
    const auto hex = [&](std::size_t at) {
        return at < line.size() && std::isxdigit(static_cast<unsigned char>(line[at])) != 0;
    };
    while (i < line.size() && line[i] == ' ' && hex(i + 1) && hex(i + 2)) {
        f.bytes.push_back(static_cast<std::uint8_t>(std::stoi(line.substr(i + 1, 2), nullptr, 16)));
        i += 3;
    }
    if (f.bytes.empty())
        return std::nullopt;
    return f;
}

// One request and what came back for it.
struct Exchange {
    double sentMs = 0;
    double answeredMs = 0;  // the last answer bytes taken; sentMs without an answer
    Bytes request;
    std::size_t answerBytes = 0;
    bool nak = false;
    bool eightBits = false;  // during the description's 8-bit phase
    double wireMs = 0;

    bool isWrite() const { return request.size() > 3 && request[3] == kStx; }
    std::string code() const {
        const std::size_t at = isWrite() ? 4 : 3;
        if (request.size() < at + 2)
            return "?";
        return std::string(request.begin() + static_cast<std::ptrdiff_t>(at),
                           request.begin() + static_cast<std::ptrdiff_t>(at + 2));
    }
};

std::vector<Exchange> exchangesOf(const std::vector<Frame>& frames) {
    const sim::LineFormat seven{kBaud, 'e', 7, 1};
    const sim::LineFormat eight{kBaud, 'e', 8, 1};
    std::vector<Exchange> out;
    bool eightBits = false;
    for (const Frame& f : frames) {
        if (f.sent) {
            // The format changes once the unit has acknowledged the command.
            if (!out.empty() && out.back().code() == kEightBitCommand)
                eightBits = true;
            if (!out.empty() && out.back().code() == kNormalFormatCommand)
                eightBits = false;
            Exchange e;
            e.sentMs = e.answeredMs = f.ms;
            e.request = f.bytes;
            e.eightBits = eightBits;
            e.wireMs = sim::wireTimeMs(f.bytes.size(), eightBits ? eight : seven);
            out.push_back(std::move(e));
            continue;
        }
        if (out.empty())
            continue;  // bytes before any request: none expected
        Exchange& e = out.back();
        e.answeredMs = f.ms;
        if (e.answerBytes == 0 && f.bytes.front() == kNak)
            e.nak = true;
        e.answerBytes += f.bytes.size();
        e.wireMs += sim::wireTimeMs(f.bytes.size(), e.eightBits ? eight : seven);
    }
    return out;
}

struct Run {
    int status = -1;
    double totalMs = 0;
    double firstFrameArrivedMs = -1;  // the bench's clock, when the first traced request came in
    double childCpu = 0;
    std::string out;
    std::vector<Frame> frames;
};

Run runCli(const QString& cli, const QStringList& arguments, const QString& folder) {
    Run run;
    QProcess p;
    p.setWorkingDirectory(folder);
    p.setReadChannel(QProcess::StandardError);
    std::string pending;
    QElapsedTimer t;
    const double cpu0 = childCpuSeconds();
    t.start();
    p.start(cli, arguments);
    if (!p.waitForStarted(10000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(cli));
        return run;
    }
    const auto take = [&] {
        pending += p.readAllStandardError().toStdString();
        std::size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (auto f = parseTraceLine(line)) {
                if (run.firstFrameArrivedMs < 0)
                    run.firstFrameArrivedMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
                run.frames.push_back(std::move(*f));
            } else if (!line.empty()) {
                std::printf("    [%s] %s\n", qPrintable(arguments.last()), line.c_str());
            }
        }
    };
    while (p.state() != QProcess::NotRunning) {
        if (p.waitForReadyRead(1000))
            take();
    }
    p.waitForFinished(-1);
    run.totalMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
    take();
    run.childCpu = childCpuSeconds() - cpu0;
    run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput().toStdString();
    return run;
}

double wireOf(const std::vector<Exchange>& ex, std::size_t from, std::size_t to) {
    double ms = 0;
    for (std::size_t i = from; i < to; ++i)
        ms += ex[i].wireMs;
    return ms;
}

// What the traced exchanges say about the line and the program's own time between them.
void reportLine(const Run& run, const std::vector<Exchange>& ex, int turnaround) {
    const double wire = wireOf(ex, 0, ex.size());
    const double bound = wire + turnaround * static_cast<double>(ex.size());
    const double span = ex.back().answeredMs - ex.front().sentMs;
    std::size_t sent = 0, received = 0, retried = 0, nak = 0, silent = 0, slow = 0, slowest = 0;
    std::vector<double> late, gaps;
    std::vector<std::size_t> pauses;
    for (std::size_t i = 0; i < ex.size(); ++i) {
        const Exchange& e = ex[i];
        sent += e.request.size();
        received += e.answerBytes;
        nak += e.nak ? 1 : 0;
        silent += e.answerBytes == 0 ? 1 : 0;
        if (e.answerBytes > 0) {
            const double ms = e.answeredMs - e.sentMs - e.wireMs;
            late.push_back(ms);
            slow += ms > turnaround + kSlowAnswerMs ? 1 : 0;
            if (ms > ex[slowest].answeredMs - ex[slowest].sentMs - ex[slowest].wireMs)
                slowest = i;
        }
        // The same request again after a refusal, silence or a time-out is a retry; the same
        // register read twice on purpose follows a good answer at once.
        if (i > 0 && e.request == ex[i - 1].request &&
            (ex[i - 1].nak || ex[i - 1].answerBytes == 0 ||
             e.sentMs - ex[i - 1].answeredMs > kPauseMs))
            ++retried;
        if (i > 0) {
            const double gap = e.sentMs - ex[i - 1].answeredMs;
            gaps.push_back(gap);
            if (gap > kPauseMs)
                pauses.push_back(i);
        }
    }
    const Spread l = spreadOf(late);
    const Spread g = spreadOf(gaps);
    std::printf(
        "  %zu requests, %zu bytes sent, %zu received; retries %zu, NAK %zu, unanswered %zu\n",
        ex.size(), sent, received, retried, nak, silent);
    std::printf("  wire-time bound %.0f ms (+ %d ms turnaround per request: %.0f ms)\n", wire,
                turnaround, bound);
    std::printf("  elapsed: process %.0f ms, first request to last answer %.0f ms\n", run.totalMs,
                span);
    std::printf("  ratio to the wire-time bound: process %.3f, exchanges %.3f\n",
                run.totalMs / wire, span / wire);
    std::printf("  ratio to wire time + turnaround: process %.3f, exchanges %.3f\n",
                run.totalMs / bound, span / bound);
    std::printf("  process start to the first request %.0f ms; last answer to exit %.0f ms\n",
                run.firstFrameArrivedMs, run.totalMs - run.firstFrameArrivedMs - span);
    std::printf(
        "  answer complete after its wire time: min %.2f ms, median %.2f ms, max %.2f ms (%s); %zu "
        "more than %.0f ms over the turnaround of %d ms\n",
        l.min, l.median, l.max, ex[slowest].code().c_str(), slow, kSlowAnswerMs, turnaround);
    std::printf("  program between answer and next request: median %.3f ms, max %.1f ms\n",
                g.median, g.max);
    double pauseMs = 0;
    for (std::size_t i : pauses)
        pauseMs += ex[i].sentMs - ex[i - 1].answeredMs;
    std::printf("  pauses over %.0f ms: %zu, %.0f ms in all", kPauseMs, pauses.size(), pauseMs);
    for (std::size_t k = 0; k < pauses.size() && k < 4; ++k) {
        const std::size_t i = pauses[k];
        std::printf("%s %.0f ms after %s before %s", k == 0 ? ":" : ";",
                    ex[i].sentMs - ex[i - 1].answeredMs, ex[i - 1].code().c_str(),
                    ex[i].code().c_str());
    }
    std::printf("\n  CPU of the process %.2f s\n", run.childCpu);
}

// load: identification, the writes (the last one activates), a pause, the reads back.
void reportLoadPhases(const std::vector<Exchange>& ex) {
    std::size_t firstWrite = ex.size(), lastWrite = ex.size();
    for (std::size_t i = 0; i < ex.size(); ++i) {
        if (!ex[i].isWrite())
            continue;
        if (firstWrite == ex.size())
            firstWrite = i;
        lastWrite = i;
    }
    if (firstWrite == ex.size() || lastWrite + 1 >= ex.size()) {
        std::printf("  phases not recognised\n");
        return;
    }
    const auto phase = [&](const char* name, std::size_t from, std::size_t to) {
        const double ms = ex[to - 1].answeredMs - ex[from].sentMs;
        const double wire = wireOf(ex, from, to);
        std::printf("  %-13s %4zu requests %7.0f ms, wire time %7.0f ms, ratio %.3f\n", name,
                    to - from, ms, wire, ms / wire);
    };
    phase("identify", 0, firstWrite);
    phase("transmit", firstWrite, lastWrite + 1);
    std::printf("  %-13s after activation (%s) %.0f ms\n", "pause", ex[lastWrite].code().c_str(),
                ex[lastWrite + 1].sentMs - ex[lastWrite].answeredMs);
    phase("read back", lastWrite + 1, ex.size());
}

bool benchCli(const QString& cli, int repetitions) {
    char pattern[] = "/tmp/qu32-parfile-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr)
        return false;
    const std::string folder = made;
    // The simulated unit's pause before it answers: a real unit takes one too.
    const int turnaround = sim::SimUnit(*sim::findModel(kModel)).turnaroundMs();
    const QStringList common = {QString("--simulate=") + kModel, "--baud=9600", "--format=e,7,1",
                                "--trace"};
    bool ok = true;

    const Run save = runCli(cli, common + QStringList{"save", "set.par"}, folder.c_str());
    const std::string path = folder + "/set.par";
    std::printf("\nqu32-cli save (%s at %d baud, e,7,1 and e,8,1 while describing): status %d: %s",
                kModel, kBaud, save.status, save.out.c_str());
    if (save.status != 0 || save.frames.empty()) {
        ok = false;
    } else {
        reportLine(save, exchangesOf(save.frames), turnaround);
        std::ifstream in(path, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        const std::size_t rows = readParameterFile(bytes).rows.size();
        double cpu = 0;
        int odd = 0;
        const Spread r = timeCalls(
            repetitions, [&] { odd += readParameterFile(bytes).rows.size() != rows; }, cpu);
        std::printf(
            "  its file: %zu bytes, %zu rows; readParameterFile median %.3f ms, max "
            "%.3f ms\n",
            bytes.size(), rows, r.median, r.max);
    }

    if (ok) {
        const Run load = runCli(cli, common + QStringList{"load", "set.par"}, folder.c_str());
        std::printf("\nqu32-cli load (%s at %d baud, e,7,1): status %d: %s", kModel, kBaud,
                    load.status, load.out.c_str());
        if (load.status != 0 || load.frames.empty()) {
            ok = false;
        } else {
            const auto ex = exchangesOf(load.frames);
            reportLine(load, ex, turnaround);
            reportLoadPhases(ex);
        }
    }
    std::filesystem::remove_all(folder);
    return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const QString cli = argc > 2 ? QString(argv[2])
                                 : QCoreApplication::applicationDirPath() + "/../src/cli/qu32-cli";
    benchFileCode(repetitions);
    return benchCli(cli, repetitions) ? 0 : 1;
}
