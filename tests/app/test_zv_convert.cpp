#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "document/document_lines.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"
#include "zv/config.h"

namespace {

// Where standard output goes: a file, /dev/full, or a pipe whose reader has gone (SIGPIPE at
// its default, or ignored as some callers do).
enum class Sink { File, DevFull, ClosedPipe, ClosedPipeSigpipeIgnored };

struct Result {
    int exit = -1;   // exit code, or -1 when the program died by a signal
    int signal = 0;  // the signal that ended it, if one did
    std::string out, err;
    long maxRssKb = 0;
};

class Convert : public testing::Test {
  protected:
    std::string Path(const std::string& name) const { return dir_.File(name); }
    std::string Put(const std::string& name, const std::string& bytes) const {
        return dir_.Put(name, bytes);
    }
    static std::string Get(const std::string& path) { return zv::test::TempDir::Get(path); }

    // Runs zv-convert with args, stdin from input, stdout to sink, and settings added to the
    // environment; SIGPIPE at its default unless the sink says otherwise, SIGXFSZ too when
    // xfsz_at_default_ says so.
    Result Run(std::vector<std::string> args, const std::string& input = "", Sink sink = Sink::File,
               std::vector<std::string> settings = {}) {
        const std::string in = Put("stdin", input), out = Path("stdout"), err = Path("stderr");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
        int pipeFds[2] = {-1, -1};
        const bool closed = sink == Sink::ClosedPipe || sink == Sink::ClosedPipeSigpipeIgnored;
        if (closed) {
            EXPECT_EQ(pipe(pipeFds), 0);
            close(pipeFds[0]);
            posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        } else {
            const char* target = sink == Sink::DevFull ? "/dev/full" : out.c_str();
            posix_spawn_file_actions_addopen(&actions, 1, target, O_WRONLY | O_CREAT | O_TRUNC,
                                             0644);
        }
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t defaults;
        sigemptyset(&defaults);
        // An ignored signal stays ignored in the program started.
        const bool ignore = sink == Sink::ClosedPipeSigpipeIgnored;
        if (!ignore) sigaddset(&defaults, SIGPIPE);
        if (xfsz_at_default_) sigaddset(&defaults, SIGXFSZ);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
        const sighandler_t previous = ignore ? signal(SIGPIPE, SIG_IGN) : SIG_DFL;

        args.insert(args.begin(), ZV_CONVERT);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        Result r;
        std::vector<char*> env;
        for (char** e = environ; *e; ++e) env.push_back(*e);
        for (std::string& setting : settings) env.push_back(setting.data());
        env.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid, ZV_CONVERT, &actions, &attr, argv.data(), env.data()), 0);
        if (ignore) signal(SIGPIPE, previous);
        if (pipeFds[1] >= 0) close(pipeFds[1]);
        int status = 0;
        rusage usage{};
        EXPECT_EQ(wait4(pid, &status, 0, &usage), pid);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        r.out = sink == Sink::File ? Get(out) : "";
        r.err = Get(err);
        r.maxRssKb = usage.ru_maxrss;
        return r;
    }

    zv::test::TempDir dir_;
    bool xfsz_at_default_ = false;
};

std::string Converted(const std::string& input) {
    return zv::ToUtf8(zv::Transliterate(zv::ToUtf16(input)));
}

// Text with each line end (LF, CR LF, a lone CR, U+2028, U+2029) as CR LF (or as end), written
// here independently of the program.
std::string CrLf(const std::string& text, const std::string& end = "\r\n") {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\r\n") == 0) {
            ++i;
        } else if (text.compare(i, 3, "\xE2\x80\xA8") == 0 ||
                   text.compare(i, 3, "\xE2\x80\xA9") == 0) {
            i += 2;
        } else if (text[i] != '\r' && text[i] != '\n') {
            out += text[i];
            continue;
        }
        out += end;
    }
    return out;
}

// The document a run writes around a converted text.
std::string RunDocumentOf(const std::string& converted) {
    return zv::DocumentBytes(zv::DocumentVariant::Run, zv::ToUtf16(converted));
}

// The letters for the references the table writes, typed here independently of the program.
std::string Letters(const std::string& text) {
    static const char* const kPairs[][2] = {
        {"&#256;", "Ā"},  {"&#257;", "ā"}, {"&#268;", "Č"}, {"&#269;", "č"}, {"&#274;", "Ē"},
        {"&#275;", "ē"},  {"&#290;", "Ģ"}, {"&#291;", "ģ"}, {"&#298;", "Ī"}, {"&#299;", "ī"},
        {"&#310;", "Ķ"},  {"&#311;", "ķ"}, {"&#315;", "Ļ"}, {"&#316;", "ļ"}, {"&#325;", "Ņ"},
        {"&#326;", "ņ"},  {"&#342;", "Ŗ"}, {"&#343;", "ŗ"}, {"&#352;", "Š"}, {"&#353;", "š"},
        {"&#362;", "Ū"},  {"&#363;", "ū"}, {"&#381;", "Ž"}, {"&#382;", "ž"}, {"&aring;", "å"},
        {"&Aring;", "Å"}, {"&auml;", "ä"}, {"&Auml;", "Ä"}, {"&Ouml;", "Ö"}, {"&ouml;", "ö"}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [ref, letter] : kPairs) {
            if (text.compare(i, std::strlen(ref), ref) == 0) {
                out += letter;
                i += std::strlen(ref);
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

// Empty when equal, else where two long texts part (gtest's own diff of megabytes would take
// gigabytes).
std::string Mismatch(const std::string& actual, const std::string& expected) {
    if (actual == expected) return "";
    std::size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
    const std::size_t from = i < 20 ? 0 : i - 20;
    return "sizes " + std::to_string(actual.size()) + " and " + std::to_string(expected.size()) +
           ", first difference at " + std::to_string(i) + ": \"" + actual.substr(from, 40) +
           "\" vs \"" + expected.substr(from, 40) + "\"";
}

struct Row {
    std::vector<std::string> args;
    std::string input, expected;
};

void PrintTo(const Row& row, std::ostream* os) {
    for (const std::string& a : row.args) *os << a << ' ';
    for (const char c : row.input) {
        if (c >= 0x20 && c < 0x7F) {
            *os << c;
        } else {
            *os << "\\x" << std::hex << std::setw(2) << std::setfill('0')
                << (static_cast<unsigned>(c) & 0xFF) << std::dec;
        }
    }
}

class Output : public Convert, public testing::WithParamInterface<Row> {};

TEST_P(Output, IsExact) {
    const Result r = Run(GetParam().args, GetParam().input);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, GetParam().expected);
    EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Output,
    testing::Values(
        Row{{}, "", ""}, Row{{}, "Laba diena, Riiga!", "Laba diena, R&#299;ga!"},
        Row{{"--exact", "-"}, "Kjeepis\r\nRiiga\n", "&#310;&#275;pis<Br>R&#299;ga\n"},
        // Every line end gives <Br>, as in the window; LF CR is two.
        Row{{},
            "Kjeepis\r\nRiiga\nsh\rx\n\ry\xE2\x80\xA8z\r\r\n",
            "&#310;&#275;pis<Br>R&#299;ga<Br>&#353;<Br>x<Br><Br>y<Br>z<Br><Br>"},
        Row{{"--exact"}, "a\rb\xE2\x80\xA8\n\r", "a\rb\xE2\x80\xA8\n\r"},
        Row{{}, "R\xC4\xABga \xC3\xA5 \xF0\x9F\x98\x80", "R\xC4\xABga &aring; \xF0\x9F\x98\x80"},
        Row{{}, std::string("a\0a", 3), std::string("a\0a", 3)},
        Row{{"--unicode"},
            "Riiga Kjeepis \xC3\xA5\xC3\x85\xC3\xA4\xC3\x84\xC3\xB6\xC3\x96",
            "Rīga Ķēpis åÅäÄöÖ"},
        Row{{"--unicode"},
            "Aa aa Ch ch Ee ee Gj gj Ii ii Kj kj Lj lj Nj nj Rj rj Sh sh Uu uu Zh zh",
            "Ā ā Č č Ē ē Ģ ģ Ī ī Ķ ķ Ļ ļ Ņ ņ Ŗ ŗ Š š Ū ū Ž ž"},
        Row{{"--unicode"}, "&uuml; &#8364; &#257 a\r\nb &amp;", "&ūml; &#8364; &#257 a<Br>b &amp;"},
        Row{{"--unicode"},
            "kreis&#x101;s &#X160;&#x10d; &#x20ac; &#x101",
            "kreisās Šč &#x20ac; &#x101"},
        Row{{"--unicode", "--document"},
            "Riiga",
            zv::DocumentBytes(zv::DocumentVariant::Run, u"Rīga")},
        // Plain text: each line end one LF, letters, and what was typed as <Br> or &amp; kept.
        Row{{"--text"},
            "Kjeepis\r\nRiiga\nsh\rx\n\ry\xE2\x80\xA8z\r\r\n",
            "Ķēpis\nRīga\nš\nx\n\ny\nz\n\n"},
        Row{{"--text", "--unicode"},
            "<Br> &amp; &#257; a\na s\r\nh \xC3\xA5",
            "<Br> &amp; ā a\na s\nh å"},
        // Marks restored first, before every kind of output; what was typed with a mark or a
        // convention stays, and English lines stay as typed.
        Row{{"--restore", "--text"},
            "Es dzivoju Riigaa un patik ari Liepajai.\r\nThis is the other line.\n",
            "Es dzīvoju Rīgā un patīk arī Liepājai.\nThis is the other line.\n"},
        Row{{"--restore"}, "man patik", "man pat&#299;k"},
        Row{{"--restore", "--unicode"}, "PATIK MAN", "PATĪK MAN"}));

// --restore --check: the uncertain choices, placed in the input by line and column in characters
// ("ka" is "that" or "how", its context decides).
TEST_F(Convert, RestoreCheckListsUncertainChoices) {
    const Result r = Run({"--restore", "--check"}, "Rīga, dzivoju.\n  Es zinu, ka tas ir ta.\n");
    EXPECT_EQ(r.exit, 1) << r.err;
    EXPECT_TRUE(r.out.starts_with("<stdin>:2:12: ka -> k")) << r.out;
    EXPECT_NE(r.out.find(": or k"), std::string::npos) << r.out;
    const Result none = Run({"--restore", "--check"}, "Es dzivoju.\n");
    EXPECT_EQ(none.exit, 0) << none.err;
    EXPECT_EQ(none.out, "");
}

// Plain text is no HTML document, has no line ends of the table's own to keep, and is not a
// report of the check.
TEST_F(Convert, TextIsRefusedWithWhatItCannotBe) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--text", "--document"}, {"--exact", "--text"}, {"--text", "--check"}}) {
        const Result r = Run(args, "Riiga");
        EXPECT_EQ(r.exit, 64) << args[0] << ' ' << args[1];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("cannot be combined with"), std::string::npos) << r.err;
    }
}

TEST_F(Convert, DocumentIsTheWrittenDocument) {
    for (const std::string input : {"", "Laba diena, Riiga!\r\nKjeepis", "a\rb \xC5\xA0"}) {
        const Result r = Run({"--document"}, input);
        EXPECT_EQ(r.exit, 0);
        EXPECT_EQ(r.out, RunDocumentOf(Converted(CrLf(input))));
    }
}

// Files are joined before conversion: a pair or a line break may span two of them.
TEST_F(Convert, FilesAreConvertedAsOneText) {
    const std::string a = Put("a", "Rii\r"), b = Put("b", "\nga");
    EXPECT_EQ(Run({a, b}).out, "R&#299;<Br>ga");
    EXPECT_EQ(Run({Put("c", "Ri"), "-", Put("d", "a")}, "ig").out, "R&#299;ga");
    EXPECT_EQ(Run({"--", Put("-x", "aa")}).out, "&#257;");
}

struct BadInput {
    std::string bytes;
    std::size_t offset;
};

void PrintTo(const BadInput& b, std::ostream* os) {
    for (const char c : b.bytes) *os << std::hex << (static_cast<unsigned>(c) & 0xFF) << ' ';
    *os << "at " << std::dec << b.offset;
}

class InvalidUtf8 : public Convert, public testing::WithParamInterface<BadInput> {};

TEST_P(InvalidUtf8, NamesOffsetAndWritesNothing) {
    const std::string good = Put("good", "aa");
    const std::string bad = Put("bad", GetParam().bytes);
    const std::string where = "byte offset " + std::to_string(GetParam().offset) + " ";
    Result r = Run({"--document", good, bad});
    EXPECT_EQ(r.exit, 65);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(bad + ": invalid UTF-8 at " + where), std::string::npos) << r.err;
    r = Run({}, GetParam().bytes);
    EXPECT_EQ(r.exit, 65);
    EXPECT_NE(r.err.find("standard input: invalid UTF-8 at " + where), std::string::npos);
    // After a long stretch of mostly ASCII, which is checked many bytes at a time.
    const std::string pad = "Riiga \xE2\x80\x9C" + std::string(41, 'a') + "\xC4\x81";
    const std::string padded = Put("padded", pad + GetParam().bytes + std::string(40, 'b'));
    r = Run({padded});
    EXPECT_EQ(r.exit, 65);
    EXPECT_NE(r.err.find(": invalid UTF-8 at byte offset " +
                         std::to_string(pad.size() + GetParam().offset) + " "),
              std::string::npos)
        << r.err;
}

// Each kind of fault once (the UTF-8 module's own tests hold the full table): the message
// names the offset within the file that holds it.
INSTANTIATE_TEST_SUITE_P(
    Rows, InvalidUtf8,
    testing::Values(BadInput{"abc\x80", 3}, BadInput{"\xC0\x80", 0}, BadInput{"ok\xED\xA0\x80", 2},
                    BadInput{"\xF4\x90\x80\x80", 0}, BadInput{"\xC5\xA0\xF0\x9F\x98", 2},
                    // Well formed up to the bad byte, the largest of each length included.
                    BadInput{"\xDF\xBF\xEF\xBF\xBF\xED\x9F\xBF\xF4\x8F\xBF\xBF\xC0", 12}));

// Input from a pipe is converted as it comes, in memory that does not grow with it: an endless
// input (allowed 400 MB of address space) gives its conversion to a reader until the reader goes
// away. Bad input found in the first megabytes leaves standard output empty, as in a file; found
// later, the output ends where the conversion had got to, and -o leaves its file as it was.
TEST_F(Convert, PipeInputIsConvertedAsItComes) {
    const auto shell = [this](const std::string& script) {
        const std::string command = "bash -c '" + script + "; echo ${PIPESTATUS[1]} > " +
                                    Path("status") + "' " + ZV_CONVERT + " 2> " + Path("err");
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return std::stoi(Get(Path("status")));
    };
    EXPECT_EQ(shell("ulimit -v 400000; yes Riiga | \"$0\" | head -c 40 > " + Path("out")),
              128 + SIGPIPE)
        << Get(Path("err"));
    EXPECT_EQ(Get(Path("out")), "R&#299;ga<Br>R&#299;ga<Br>R&#299;ga<Br>R");

    const std::string block = "Laba diena, Riiga! Kjeepis \xC4\x81 aa-a\r\n";
    for (const std::size_t megabytes : {3, 40}) {
        std::string text;
        while (text.size() < (megabytes << 20)) text += block;
        const std::string file = Put("good", text);
        const std::string where =
            ": invalid UTF-8 at byte offset " + std::to_string(text.size()) + " (byte 0xFF)\n";
        EXPECT_EQ(shell("{ cat " + file + "; printf \"\\377\"; } | \"$0\" > " + Path("out")), 65);
        EXPECT_EQ(Get(Path("err")), "zv-convert: standard input" + where);
        const std::string out = Get(Path("out"));
        if (megabytes == 3) {
            EXPECT_EQ(out.size(), 0u);
        } else {
            const std::string line = Converted(block);
            EXPECT_GE(out.size(), std::size_t{16} << 20);
            for (std::size_t at = 0; at < out.size(); at += line.size()) {
                const std::size_t n = std::min(line.size(), out.size() - at);
                ASSERT_EQ(out.compare(at, n, line, 0, n), 0) << "at " << at;
            }
        }
        const std::string kept = Put("kept", "old");
        EXPECT_EQ(shell("{ cat " + file + "; printf \"\\377\"; } | \"$0\" -o " + kept), 65);
        EXPECT_EQ(Get(kept), "old");
        for (const std::string& name : dir_.Entries()) EXPECT_NE(name[0], '.') << "left " << name;
    }
}

TEST_F(Convert, UnreadableInputIsNamed) {
    const std::string missing = Path("missing"), folder = dir_.Path().string();
    for (const auto& [name, reason] :
         {std::pair{missing, "No such file or directory"}, std::pair{folder, "Is a directory"}}) {
        const Result r = Run({Put("ok", "aa"), name});
        EXPECT_EQ(r.exit, 66);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "zv-convert: " + name + ": " + reason + "\n");
    }
}

TEST_F(Convert, FailedWriteIsAnError) {
    // A short text, and one long enough to be converted on two threads at once.
    std::string longText;
    while (longText.size() < (3u << 20)) longText += "Riiga shodien, ";
    for (const std::string& text : {std::string("Riiga"), longText}) {
        Result r = Run({}, text, Sink::DevFull);
        EXPECT_EQ(r.exit, 74);
        EXPECT_EQ(r.err, "zv-convert: standard output: No space left on device\n");
        r = Run({}, text, Sink::ClosedPipeSigpipeIgnored);
        EXPECT_EQ(r.exit, 74);
        EXPECT_EQ(r.err, "zv-convert: standard output: Broken pipe\n");
    }
}

// A reader that has gone (zv-convert --check big.txt | head) ends the program quietly, killed
// by SIGPIPE as cat would be.
TEST_F(Convert, ClosedPipeEndsQuietly) {
    std::string longText;
    while (longText.size() < (3u << 20)) longText += "Riiga shodien, ";
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{}, "Riiga"},
        {{}, longText},
        {{"--document", "--unicode"}, "Riiga"},
        {{"--check"}, "sheema\n"}};
    for (const auto& [args, text] : rows) {
        const Result r = Run(args, text, Sink::ClosedPipe);
        EXPECT_EQ(r.signal, SIGPIPE) << testing::PrintToString(args) << " exit " << r.exit;
        EXPECT_EQ(r.err, "") << testing::PrintToString(args);
    }
}

// A single input file that another program changes while zv-convert reads it: the run ends
// with a message and an error, whether the file is cut short or rewritten in place.
TEST_F(Convert, InputChangedWhileReadIsAnError) {
    std::string text;
    while (text.size() < (10u << 20)) text += "Riiga shodien, ";
    for (const bool cut : {true, false}) {
        const std::string path = Put("changing", text);
        int fds[2] = {-1, -1};
        ASSERT_EQ(pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        const std::string err = Path("stderr");
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::string program = ZV_CONVERT, arg = path;
        char* argv[] = {program.data(), arg.data(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, ZV_CONVERT, &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        // Once output comes, the file is mapped and checked; soon the unread pipe stops the
        // writer, and the conversion stops some chunks ahead of it, far from the end.
        char byte = 0;
        ASSERT_EQ(read(fds[0], &byte, 1), 1);
        const int capacity = fcntl(fds[0], F_GETPIPE_SZ);
        int queued = 0;
        for (int polls = 0; polls < 10000 && queued < capacity - 4096; ++polls) {
            usleep(1000);
            ASSERT_EQ(ioctl(fds[0], FIONREAD, &queued), 0);
        }
        ASSERT_GE(queued, capacity - 4096) << "the pipe never filled up";
        if (cut) {
            ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(text.size() / 2)), 0);
        } else {
            const int fd = open(path.c_str(), O_WRONLY);
            ASSERT_GE(fd, 0);
            const std::string other(text.size(), 'x');
            ASSERT_EQ(pwrite(fd, other.data(), other.size(), 0),
                      static_cast<ssize_t>(other.size()));
            close(fd);
        }
        char buffer[1 << 16];
        while (read(fds[0], buffer, sizeof buffer) > 0) {
        }
        close(fds[0]);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 66) << "cut " << cut;
        EXPECT_EQ(Get(err), "zv-convert: " + path + ": the file changed while being read\n");
    }
}

// A FIFO gives its data to one reader once: the input is opened once and read to its end,
// whether the writer is there before the reader or comes after it, and when it stops half-way
// until the reader has taken all it sent.
struct FifoRow {
    std::string name;
    bool writer_first;  // the writer waits at the FIFO before zv-convert opens it
    bool pause;         // the writer stops half-way until the reader has emptied the FIFO
};

void PrintTo(const FifoRow& row, std::ostream* os) { *os << row.name; }

class FifoInput : public Convert, public testing::WithParamInterface<FifoRow> {};

TEST_P(FifoInput, IsReadWhole) {
    const FifoRow& row = GetParam();
    const std::string fifo = Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string text;
    while (text.size() < 300000) text += "Riiga shodien, Kjeepis\r\n";  // more than a pipe holds
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGPIPE, &ignore, &previous), 0);
    // A reader that closes early makes the writes fail (SIGPIPE is ignored here).
    std::atomic<bool> sent{false};
    auto write_text = [&](int fd) {
        const std::size_t half = text.size() / 2;
        bool ok = write(fd, text.data(), half) == static_cast<ssize_t>(half);
        if (row.pause) {
            // Until the reader has taken the first half (or, failing, for 10 s).
            int queued = 1;
            for (int polls = 0; ok && queued > 0 && polls < 10000; ++polls) {
                ok = ioctl(fd, FIONREAD, &queued) == 0;
                if (queued > 0) usleep(1000);
            }
            ok = ok && queued == 0;
        }
        ok = ok && write(fd, text.data() + half, text.size() - half) ==
                       static_cast<ssize_t>(text.size() - half);
        close(fd);
        sent = ok;
    };
    std::thread writer;
    if (row.writer_first) {
        // Blocks in open until zv-convert opens the FIFO for reading.
        writer = std::thread([&] {
            const int fd = open(fifo.c_str(), O_WRONLY);
            if (fd >= 0) write_text(fd);
        });
    }
    const std::string out = Path("fifo-out");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string program = ZV_CONVERT, arg = fifo;
    char* argv[] = {program.data(), arg.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, ZV_CONVERT, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    const int exited = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    ASSERT_GE(exited, 0);
    if (!row.writer_first) {
        // The writer comes once zv-convert has opened the FIFO: until then a writer's
        // non-blocking open finds no reader (ENXIO).
        int fd = -1;
        for (int polls = 0; fd < 0 && polls < 10000; ++polls) {
            fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd < 0 && errno != ENXIO) break;
            if (fd < 0) usleep(1000);
        }
        ASSERT_GE(fd, 0) << "zv-convert never opened the FIFO";
        ASSERT_EQ(fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK), 0);
        writer = std::thread([&, fd] { write_text(fd); });
    }
    // A reader that opened the FIFO again would wait for a second writer for ever.
    pollfd end{exited, POLLIN, 0};
    const bool ended = poll(&end, 1, 20000) == 1;
    if (!ended) {
        kill(pid, SIGKILL);
        // Lets a writer still blocked in open go on.
        close(open(fifo.c_str(), O_RDONLY | O_NONBLOCK));
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(exited);
    writer.join();
    sigaction(SIGPIPE, &previous, nullptr);
    EXPECT_TRUE(ended) << "zv-convert still running 20 s after the writer began";
    EXPECT_TRUE(sent) << "the writer could not send the whole text";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Get(out), Converted(text));
}

INSTANTIATE_TEST_SUITE_P(Writers, FifoInput,
                         testing::Values(FifoRow{"writer_first", true, false},
                                         FifoRow{"writer_first_pausing", true, true},
                                         FifoRow{"reader_first", false, false},
                                         FifoRow{"reader_first_pausing", false, true}),
                         [](const testing::TestParamInfo<FifoRow>& row) { return row.param.name; });

// -o replaces the file only with a complete result: bad input or a failed write leaves the
// old file whole and no temporary file beside it.
struct OutputRow {
    std::string name;
    std::vector<std::string> args;
    std::string input;
    int exit;
    std::string expected;  // the file afterwards
};

void PrintTo(const OutputRow& row, std::ostream* os) { *os << row.name; }

class OutputFile : public Convert, public testing::WithParamInterface<OutputRow> {};

TEST_P(OutputFile, IsReplacedWholeOrNotAtAll) {
    const OutputRow& row = GetParam();
    zv::test::TempDir folder;
    const std::string file = folder.File("unitext.html");
    std::ofstream(file, std::ios::binary) << "old";
    std::vector<std::string> args = row.args;
    for (std::string& a : args) {
        if (a.ends_with("FILE")) a.replace(a.size() - 4, 4, file);
    }
    const Result r = Run(args, row.input);
    EXPECT_EQ(r.exit, row.exit) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Get(file), row.expected);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"unitext.html"});
    if (row.exit == 0) {
        EXPECT_EQ(r.err, "");
    } else {
        EXPECT_EQ(r.err.find("zv-convert: "), 0u) << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OutputFile,
    testing::Values(
        OutputRow{"plain", {"-o", "FILE"}, "Riiga", 0, "R&#299;ga"},
        OutputRow{"unicode", {"--unicode", "--output", "FILE"}, "Riiga", 0, "Rīga"},
        OutputRow{
            "document", {"--document", "--output=FILE"}, "Riiga", 0, RunDocumentOf("R&#299;ga")},
        OutputRow{"attached", {"--unicode", "-oFILE"}, "Riiga", 0, "Rīga"},
        OutputRow{"bad input", {"--document", "-o", "FILE"}, "Riiga \xC5", 65, "old"},
        OutputRow{"missing input", {"-o", "FILE", "/nonexistent/input"}, "", 66, "old"}),
    [](const testing::TestParamInfo<OutputRow>& row) {
        std::string name = row.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

// Writes that fail: into a "folder" that is a file, onto a full device, and half-way through
// (the file-size limit, which holds for root too).
TEST_F(Convert, FailedOutputFileWriteKeepsTheOldFile) {
    const std::string plain = Put("plain", "keep");
    Result r = Run({"-o", plain + "/out"}, "Riiga");
    EXPECT_EQ(r.exit, 74);
    EXPECT_EQ(r.err, "zv-convert: " + plain + "/out: Not a directory\n");
    r = Run({"-o", "/dev/full"}, "Riiga");
    EXPECT_EQ(r.exit, 74);
    EXPECT_EQ(r.err, "zv-convert: /dev/full: No space left on device\n");

    zv::test::TempDir folder;
    const std::string file = folder.File("big");
    std::ofstream(file, std::ios::binary) << "old";
    zv::test::FileSizeLimit limit(64 * 1024);
    ASSERT_TRUE(limit.Active());
    r = Run({"-o", file}, std::string(50 * 1024, 'a'));  // more than the limit once converted
    limit.Lift();
    EXPECT_EQ(r.exit, 74);
    EXPECT_EQ(r.err, "zv-convert: " + file + ": File too large\n");
    EXPECT_EQ(Get(file), "old");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"big"});
}

// -o to what cannot be replaced: standard output by name is written as it is; another user's
// link in a shared sticky folder is not followed to a FIFO, which receives nothing.
TEST_F(Convert, SpecialOutputFollowsTheLinkPolicy) {
    Result r = Run({"-o", "/dev/stdout"}, "Riiga");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "R&#299;ga");

    zv::test::TempDir shared;
    ASSERT_EQ(chmod(shared.Path().c_str(), 01777), 0);
    const std::string fifo = shared.File("their.fifo"), link = shared.File("report.html");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    ASSERT_EQ(symlink(fifo.c_str(), link.c_str()), 0);
    ASSERT_EQ(lchown(link.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(fifo.c_str(), 65534, 65534), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    r = Run({"-o", link}, "Riiga");
    char got = 0;
    EXPECT_LE(read(reader, &got, 1), 0) << "the FIFO received the text";
    close(reader);
    EXPECT_EQ(r.exit, 74);
    EXPECT_EQ(r.err, "zv-convert: " + link + ": a symbolic link that belongs to another user\n");
}

// -o to a FIFO or a file that another user put in a folder others may write to: refused, and
// nothing reaches them (a replacement of their file would have kept them as its owner).
TEST_F(Convert, PlantedOutputIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make another user's files";
    for (const bool fifo : {true, false}) {
        zv::test::TempDir shared;
        ASSERT_EQ(chmod(shared.Path().c_str(), fifo ? 0777 : 01777), 0);
        const std::string out = shared.File("out.html");
        if (fifo) {
            ASSERT_EQ(mkfifo(out.c_str(), 0666), 0);
        } else {
            shared.Put("out.html", "theirs");
            ASSERT_EQ(chmod(out.c_str(), 0666), 0);
        }
        ASSERT_EQ(chown(out.c_str(), 65534, 65534), 0);
        const int reader = fifo ? open(out.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        const Result r = Run({"-o", out}, "secret");
        char got = 0;
        if (fifo) {
            EXPECT_LE(read(reader, &got, 1), 0) << "the FIFO received the text";
            close(reader);
        }
        EXPECT_EQ(r.exit, 74);
        EXPECT_EQ(r.err, "zv-convert: " + out + ": a " + (fifo ? "FIFO or device" : "file") +
                             " that belongs to another user, in a folder others may write to\n");
        if (!fifo) {
            EXPECT_EQ(Get(out), "theirs");
        }
    }
}

// Ended by a signal while -o puts its file in place (interrupted, ended, hung up, cut off by a
// closed pipe, over a limit, or by any other signal that ends a program), the program removes
// the new file's hidden name and ends by that signal; the old file stays. It is held with the
// new file complete and named, just before the rename (see test_preload.cpp), and signalled
// there.
class SignalDuringOutput : public Convert, public testing::WithParamInterface<int> {};

TEST_P(SignalDuringOutput, LeavesNothingBehind) {
    zv::test::TempDir folder;
    const std::string file = folder.File("out.html");
    std::ofstream(file, std::ios::binary) << "old";
    const std::string in = Put("stdin", "Riiga");
    int held[2];
    ASSERT_EQ(pipe2(held, O_CLOEXEC), 0);  // the program gets the writing end as 3 alone
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, held[1], 3);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, GetParam());
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    std::string program = ZV_CONVERT, o = "-o", out = file;
    char* argv[] = {program.data(), o.data(), out.data(), nullptr};
    std::string preload = std::string("LD_PRELOAD=") + ZV_TEST_PRELOAD, hold = "ZV_TEST_HOLD_FD=3";
    char* env[] = {preload.data(), hold.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, ZV_CONVERT, &actions, &attr, argv, env), 0);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(held[1]);
    char byte = 0;
    const ssize_t told = read(held[0], &byte, 1);  // the program is held, or has ended
    close(held[0]);
    if (told == 1) {
        EXPECT_EQ(folder.Entries().size(), 2u) << "no hidden file while held";
        kill(pid, GetParam());
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    if (told != 1) GTEST_SKIP() << "rename could not be held (a sanitizer's own comes first)";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam()) << status;
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.html"});
    EXPECT_EQ(Get(file), "old");
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalDuringOutput,
                         testing::Values(SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ, SIGXCPU,
                                         SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM),
                         [](const testing::TestParamInfo<int>& row) {
                             return std::string(sigabbrev_np(row.param));
                         });

// Where the new file is made: without a name (O_TMPFILE), or under a hidden name where the
// file system has no O_TMPFILE (here taken away by test_preload.cpp).
class NewFileWay : public Convert, public testing::WithParamInterface<bool> {
  protected:
    std::vector<std::string> Settings() const {
        if (GetParam()) return {};
        return {std::string("LD_PRELOAD=") + ZV_TEST_PRELOAD, "ZV_TEST_NO_TMPFILE=1"};
    }
};

// A name as long as the file system allows is replaced: the hidden name beside it is short.
TEST_P(NewFileWay, LongestNameIsReplaced) {
    zv::test::TempDir folder;
    const std::string file = folder.File(std::string(255, 'n'));
    std::ofstream(file, std::ios::binary) << "old";
    const Result r = Run({"-o", file}, "Riiga", Sink::File, Settings());
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(Get(file), "R&#299;ga");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{std::string(255, 'n')});
}

// Over the file-size limit (ulimit -f) with SIGXFSZ at its default, the program ends by that
// signal part-way through the new file, which leaves nothing behind; the old file stays.
TEST_P(NewFileWay, FileSizeLimitLeavesNothingBehind) {
    zv::test::TempDir folder;
    const std::string file = folder.File("big.html");
    std::ofstream(file, std::ios::binary) << "old";
    const std::string input(256 * 1024, 'a');
    Result r;
    {
        zv::test::FileSizeLimit limit(64 * 1024);  // SIGXFSZ ignored here, at its default there
        ASSERT_TRUE(limit.Active());
        xfsz_at_default_ = true;
        r = Run({"-o", file}, input, Sink::File, Settings());
    }
    EXPECT_EQ(r.signal, SIGXFSZ) << r.exit << " " << r.err;
    EXPECT_EQ(Get(file), "old");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"big.html"});
}

INSTANTIATE_TEST_SUITE_P(Ways, NewFileWay, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& row) {
                             return std::string(row.param ? "unnamed" : "hidden_name");
                         });

// The output written in place into a regular file that is one of the inputs, through standard
// output or a descriptor that -o names: refused before anything is written, as cat refuses it.
struct SameFileRow {
    const char* name;
    std::vector<std::string> args;  // "C" stands for the input file
    int fd;                         // opened on the input file, with flags
    int flags;
};

void PrintTo(const SameFileRow& row, std::ostream* os) { *os << row.name; }

class SameFile : public Convert, public testing::WithParamInterface<SameFileRow> {};

TEST_P(SameFile, ThroughADescriptorIsRefused) {
    const SameFileRow& row = GetParam();
    const std::string text = "sheema Riiga\n", input = Put("c.txt", text), err = Path("stderr");
    std::vector<std::string> args{ZV_CONVERT};
    for (const std::string& a : row.args) args.push_back(a == "C" ? input : a);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, Path("stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, row.fd, input.c_str(), row.flags, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, ZV_CONVERT, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 64) << status << " " << Get(err);
    EXPECT_EQ(Get(input), text);
    EXPECT_NE(Get(err).find(" is the same file as the input "), std::string::npos) << Get(err);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SameFile,
    testing::Values(
        SameFileRow{"check_to_dev_stdout", {"--check", "-o", "/dev/stdout", "C"}, 1, O_RDWR},
        SameFileRow{"to_dev_stdin_from_stdin", {"-o", "/dev/stdin"}, 0, O_RDWR},
        SameFileRow{"to_proc_fd_appending", {"-o", "/proc/self/fd/5", "C"}, 5, O_WRONLY | O_APPEND},
        SameFileRow{"stdout_appending", {"C"}, 1, O_WRONLY | O_APPEND}),
    [](const testing::TestParamInfo<SameFileRow>& row) { return std::string(row.param.name); });

// -o replaces a file whole, so its other hard links keep the old contents: it says so.
TEST_F(Convert, OtherHardLinksAreWarnedOf) {
    const std::string file = Put("out.html", "old"), other = Path("other.html");
    ASSERT_EQ(link(file.c_str(), other.c_str()), 0);
    const Result r = Run({"-o", file}, "Riiga");
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.err, "zv-convert: warning: " + file +
                         " had 1 other hard link, which keeps the old contents\n");
    EXPECT_EQ(Get(file), "R&#299;ga");
    EXPECT_EQ(Get(other), "old");
}

// A file the user may not write is not replaced, as the shell's ">" would not write it, even
// where the user may write the folder. Root may write any file, and replaces it (keeping its
// permissions), as ">" would write it.
TEST_F(Convert, ReadOnlyFileIsNotReplaced) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    for (const bool as_root : {false, true}) {
        zv::test::TempDir folder;
        ASSERT_EQ(chown(folder.Path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(chmod(folder.Path().c_str(), 0755), 0);
        const std::string file = folder.Put("out.html", "old"), err = Path("stderr");
        ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chmod(file.c_str(), 0444), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const int in = open("/dev/null", O_RDONLY),
                      out = open(err.c_str(), O_WRONLY | O_TRUNC | O_CREAT, 0644);
            if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0)
                _exit(120);
            if (!as_root &&
                (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
                _exit(121);
            execl(ZV_CONVERT, ZV_CONVERT, "-o", file.c_str(), static_cast<char*>(nullptr));
            _exit(122);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        struct stat after {};
        ASSERT_EQ(stat(file.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & 07777, 0444u);
        if (as_root) {
            EXPECT_EQ(WEXITSTATUS(status), 0) << Get(err);
            EXPECT_EQ(Get(file), "");
        } else {
            EXPECT_EQ(WEXITSTATUS(status), 74);
            EXPECT_EQ(Get(err), "zv-convert: " + file + ": Permission denied\n");
            EXPECT_EQ(Get(file), "old");
        }
    }
}

// A name with a line feed or another control character is quoted, as GNU tools quote it, in
// messages and in the lines of --check: no such name can make a line of its own.
TEST_F(Convert, ControlCharactersInNamesAreQuoted) {
    const std::string folder = dir_.Path().string() + "/";
    Result r = Run({folder + "gone\nzv-convert: done"});
    EXPECT_EQ(r.exit, 66);
    EXPECT_EQ(r.err, "zv-convert: '" + folder +
                         "gone'$'\\n''zv-convert: done': No such file or directory\n");
    r = Run({"-o", folder + "no\x1B[31m/out.html"}, "Riiga");
    EXPECT_EQ(r.exit, 74);
    EXPECT_EQ(r.err,
              "zv-convert: '" + folder + "no'$'\\033''[31m/out.html': No such file or directory\n");
    const std::string checked = Put("it's\r.txt", "sheema\n");
    r = Run({"--check", checked});
    EXPECT_EQ(r.exit, 1) << r.err;
    EXPECT_EQ(r.out.rfind("'" + folder + "it'\\''s'$'\\r''.txt':1:1: sheema -> ", 0), 0u) << r.out;
    const std::string restored = Put("a\nb.txt", "Es zinu, ka tas ir ta.\n");
    r = Run({"--restore", "--check", restored});
    EXPECT_EQ(r.exit, 1) << r.err;
    EXPECT_EQ(r.out.rfind("'" + folder + "a'$'\\n''b.txt':1:", 0), 0u) << r.out;
}

TEST_F(Convert, HelpVersionAndBadOptions) {
    Result r = Run({"--help"});
    EXPECT_EQ(r.exit, 0);
    for (const char* option :
         {"Usage: zv-convert", "--document", "--unicode", "--text", "--output", "--version"}) {
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(Run({"-h"}).out, r.out);
    r = Run({"--version"});
    EXPECT_EQ(r.out, std::string("zv-convert ") + zv::config::kVersion + "\n");
    EXPECT_EQ(r.exit, 0);
    for (const char* bad : {"--bogus", "-x", "--Document"}) {
        r = Run({bad, "--help"}, "aa");
        EXPECT_EQ(r.exit, 64);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(std::string("unknown option '") + bad + "'"), std::string::npos);
    }
}

// Long texts are converted in pieces, and from 4 MB on in two halves on two threads; the
// result must be the whole text's conversion.
TEST_F(Convert, LongTextEqualsWholeConversion) {
    const char* const kBits[] = {"a", "e",  "i",  "u",        "s",        "h", "z",           "k",
                                 "j", "n",  "p",  "r",        "A",        "S", "'",           "-",
                                 " ", "\r", "\n", "\r\n",     "!",        "&", "#",           ";",
                                 "m", "l",  "o",  "\xC3\xA5", "\xC4\x81", "2", "\xE2\x80\xA8"};
    std::mt19937 rng(7);
    std::string text;
    while (text.size() < (5u << 20)) text += kBits[rng() % std::size(kBits)];
    const std::string expected = Converted(CrLf(text));
    EXPECT_EQ(Mismatch(Run({}, text).out, expected), "");
    EXPECT_EQ(Mismatch(Run({Put("long", text)}).out, expected), "");  // one file: mapped
    EXPECT_EQ(Mismatch(Run({"--exact", Put("long", text)}).out, Converted(text)), "");
    {
        // Allowed one CPU only, the second thread has no other CPU to start on.
        cpu_set_t all, one;
        ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
        const Result r = Run({Put("long", text)});
        sched_setaffinity(0, sizeof all, &all);
        EXPECT_EQ(Mismatch(r.out, expected), "") << r.err;
    }
    EXPECT_EQ(Mismatch(Run({"--unicode"}, text).out, Letters(expected)), "");
    const std::string plain = Letters(Converted(CrLf(text, "\n")));
    EXPECT_EQ(Mismatch(Run({"--text"}, text).out, plain), "");
    EXPECT_EQ(Mismatch(Run({"--text", Put("long", text)}).out, plain), "");
    // Typed references split by a piece boundary still turn into letters.
    std::string refs;
    while (refs.size() < (5u << 20)) refs += "&auml; ";
    EXPECT_EQ(Mismatch(Run({"--unicode"}, refs).out, Letters(refs)), "");
}

TEST_F(Convert, FiftyMegabytes) {
    const std::string block = "Laba diena, Riiga! Kjeepis 'saaka ieeja \xC4\x81 \xC3\xA5 aa-a\r\n";
    std::string input;
    input.reserve(50u << 20);
    while (input.size() + block.size() <= (50u << 20)) input += block;
    const std::size_t blocks = input.size() / block.size();
    const std::string file = Put("big", input);
    std::string().swap(input);

    const Result r = Run({file});
    ASSERT_EQ(r.exit, 0) << r.err;
    // No rule reaches across a line break, so each line converts on its own.
    const std::string line = Converted(block);
    ASSERT_EQ(r.out.size(), blocks * line.size());
    for (std::size_t i = 0; i < blocks; ++i) {
        ASSERT_EQ(r.out.compare(i * line.size(), line.size(), line), 0) << "block " << i;
    }
    const long inputKb = static_cast<long>(blocks * block.size() / 1024);
    EXPECT_LT(r.maxRssKb, 4 * inputKb) << "peak RSS " << r.maxRssKb << " KB";
    std::cout << "peak RSS " << r.maxRssKb << " KB for " << inputKb << " KB of input\n";
}

}  // namespace
