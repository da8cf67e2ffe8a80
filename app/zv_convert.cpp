// zv-convert: the conversion for scripts and batch work. Reads UTF-8 from the named files or
// standard input, writes the converted text (or the whole document) to standard output.
//
// Everything is read and checked before anything is written: bad input leaves standard
// output empty.
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/convert_text.h"
#include "document/document_lines.h"
#include "zv/config.h"

namespace {

// Exit codes as in sysexits.h.
constexpr int kExitUsage = 64;
constexpr int kExitDataError = 65;
constexpr int kExitNoInput = 66;
constexpr int kExitSoftware = 70;
constexpr int kExitIoError = 74;

constexpr char kUsage[] =
    "Usage: zv-convert [OPTION]... [FILE]...\n"
    "Convert Latvian text typed on a plain keyboard (\"Riiga\", \"Kjeepis\", \"'s\") into\n"
    "HTML character references (\"R&#299;ga\").\n"
    "\n"
    "The FILEs are read as UTF-8, one after another, and converted as one text. With no\n"
    "FILE, or when FILE is -, standard input is read. The result goes to standard output\n"
    "in UTF-8.\n"
    "\n"
    "  --document   write the whole unitext.html document with the text as its body\n"
    "  --unicode    write the letters themselves (the Latvian ones and å Å ä Ä ö Ö)\n"
    "               in place of the character references the conversion makes\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "  --           end of options: every argument after it is a FILE\n"
    "\n"
    "Exit status: 0 success, 64 bad command line, 65 input is not valid UTF-8,\n"
    "66 an input cannot be read, 70 internal error (out of memory),\n"
    "74 the output cannot be written.\n";

struct Failure {
    int code;
};

void Complain(const std::string& message) {
    const std::string line = "zv-convert: " + message + "\n";
    // Best effort: there is nowhere else to report a failing standard error.
    [[maybe_unused]] const ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
}

[[noreturn]] void Fail(int code, const std::string& message) {
    Complain(message);
    throw Failure{code};
}

// Appends all of fd's contents to out; false with errno set on a read error.
bool ReadAll(int fd, std::string& out) {
    constexpr std::size_t kBlock = 1 << 16;
    std::size_t want = kBlock;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        // A regular file in one request, with room for the last, empty read too.
        want = static_cast<std::size_t>(info.st_size) + kBlock;
        out.reserve(out.size() + want);
    }
    while (true) {
        const std::size_t old = out.size();
        out.resize(old + want);
        const ssize_t n = read(fd, out.data() + old, want);
        if (n < 0) {
            out.resize(old);
            if (errno == EINTR) continue;
            return false;
        }
        out.resize(old + static_cast<std::size_t>(n));
        if (n == 0) return true;
        want = kBlock;
    }
}

// Stops with a message when input is not well-formed UTF-8; shown names the input.
void CheckUtf8(std::string_view bytes, const std::string& shown) {
    if (const auto bad = zv::cli::FirstInvalidUtf8(bytes)) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(bytes[*bad]));
        Fail(kExitDataError, shown + ": invalid UTF-8 at byte offset " + std::to_string(*bad) +
                                 " (byte " + byte + ")");
    }
}

// Reads one input (a path, or "-" for standard input) onto the end of text and checks that
// what it added is well-formed UTF-8 on its own.
void ReadInput(const std::string& name, std::string& text) {
    const bool isStdin = name == "-";
    const std::string shown = isStdin ? "standard input" : name;
    const std::size_t start = text.size();
    if (isStdin) {
        if (!ReadAll(STDIN_FILENO, text)) Fail(kExitNoInput, shown + ": " + std::strerror(errno));
    } else {
        const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) Fail(kExitNoInput, shown + ": " + std::strerror(errno));
        const bool ok = ReadAll(fd, text);
        const int readErrno = errno;
        close(fd);
        if (!ok) Fail(kExitNoInput, shown + ": " + std::strerror(readErrno));
    }
    CheckUtf8(std::string_view(text).substr(start), shown);
}

constexpr char kChangedWhileRead[] = ": the file changed while being read";

// What a mapped input's reader is told when the file changes under it. Reading a page past
// a new end raises SIGBUS; other changes show in the file's status, checked at the end.
char g_mappedChanged[512];
std::size_t g_mappedChangedLength = 0;

extern "C" void OnMappedInputGone(int) {
    [[maybe_unused]] const ssize_t ignored =
        write(STDERR_FILENO, g_mappedChanged, g_mappedChangedLength);
    _exit(kExitNoInput);
}

// A named regular file mapped into memory, not yet checked. Mapping saves copying the whole
// file, which costs more than converting it. The mapping lasts until the program ends.
struct MappedInput {
    std::string name;
    std::string_view bytes;
    int fd = -1;  // kept open to see whether the file changed
    struct stat status {};

    // Stops with a message when the file was changed while it was read: what was read of
    // it, and so the output, may then be a mix of old and new, or zeros where it was cut.
    void CheckUnchanged() const {
        struct stat now {};
        if (fstat(fd, &now) != 0 || now.st_size != status.st_size ||
            now.st_mtim.tv_sec != status.st_mtim.tv_sec ||
            now.st_mtim.tv_nsec != status.st_mtim.tv_nsec ||
            now.st_ctim.tv_sec != status.st_ctim.tv_sec ||
            now.st_ctim.tv_nsec != status.st_ctim.tv_nsec) {
            Fail(kExitNoInput, name + kChangedWhileRead);
        }
    }
};

// The input mapped, or nothing when it cannot be (then it is read like any other input).
std::optional<MappedInput> MapInput(const std::string& name) {
    if (name == "-") return std::nullopt;
    MappedInput input{name, {}, open(name.c_str(), O_RDONLY | O_CLOEXEC), {}};
    if (input.fd < 0) Fail(kExitNoInput, name + ": " + std::strerror(errno));
    void* map = MAP_FAILED;
    if (fstat(input.fd, &input.status) == 0 && S_ISREG(input.status.st_mode) &&
        input.status.st_size > 0) {
        map = mmap(nullptr, static_cast<std::size_t>(input.status.st_size), PROT_READ,
                   MAP_PRIVATE | MAP_POPULATE, input.fd, 0);
    }
    if (map == MAP_FAILED) {
        close(input.fd);
        return std::nullopt;
    }
    const std::string message = "zv-convert: " + name + kChangedWhileRead + "\n";
    g_mappedChangedLength = std::min(message.size(), sizeof g_mappedChanged);
    std::memcpy(g_mappedChanged, message.data(), g_mappedChangedLength);
    signal(SIGBUS, OnMappedInputGone);
    input.bytes = std::string_view(static_cast<const char*>(map),
                                   static_cast<std::size_t>(input.status.st_size));
    return input;
}

void WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(kExitIoError, std::string("standard output: ") + std::strerror(errno));
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Some errors (a full disk on a network file system) only show when the file is closed.
void CloseOutput() {
    if (close(STDOUT_FILENO) != 0 && errno != EINTR) {
        Fail(kExitIoError, std::string("standard output: ") + std::strerror(errno));
    }
}

int Run(int argc, char** argv) {
    bool document = false, letters = false, help = false, version = false;
    std::vector<std::string> inputs;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg.front() == '-') {
            if (arg == "--document") {
                document = true;
            } else if (arg == "--unicode") {
                letters = true;
            } else if (arg == "--help") {
                help = true;
            } else if (arg == "--version") {
                version = true;
            } else {
                Fail(kExitUsage, "unknown option '" + std::string(arg) +
                                     "'\nTry 'zv-convert --help' for more information.");
            }
        } else {
            inputs.emplace_back(arg);
        }
    }
    if (help || version) {
        WriteAll(help ? std::string(kUsage)
                      : std::string("zv-convert ") + zv::config::kVersion + "\n");
        CloseOutput();
        return 0;
    }
    if (inputs.empty()) inputs.emplace_back("-");

    std::string read;
    std::optional<MappedInput> mapped;
    if (inputs.size() == 1) mapped = MapInput(inputs.front());
    if (!mapped) {
        for (const std::string& name : inputs) ReadInput(name, read);
    }
    const std::string_view text = mapped ? mapped->bytes : std::string_view(read);

    // The document's body line sits between its first CR LF (the header line's end) and the
    // footer; the converted text goes there, written piece by piece as it is converted.
    std::string before, after;
    if (document) {
        before = zv::DocumentHeaderLine(zv::DocumentVariant::Run);
        before += zv::kDocumentLineEnd;
        after = zv::kDocumentLineEnd;
        after += zv::kDocumentFooterLine;
        after += zv::kDocumentLineEnd;
    }
    // Nothing is written before the whole input is checked (a mapped file is checked while
    // the conversion starts on another core); from then on only a failing write (or memory)
    // can stop the output part-way.
    const auto checkThenBegin = [&] {
        if (mapped) CheckUtf8(mapped->bytes, mapped->name);
        WriteAll(before);
    };
    zv::cli::ConvertUtf8(text, letters, checkThenBegin, WriteAll);
    if (mapped) mapped->CheckUnchanged();
    WriteAll(after);
    CloseOutput();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A reader that goes away must give an error message and exit code, not a silent death.
    signal(SIGPIPE, SIG_IGN);
    // The program is short-lived and its buffers are large: they come from the heap and stay
    // there when freed, to be used again, instead of being mapped and unmapped one by one,
    // each time with fresh pages that the system must clear.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 8 << 20);
    try {
        std::_Exit(Run(argc, argv));
    } catch (const Failure& failure) {
        return failure.code;
    } catch (const std::bad_alloc&) {
        Complain("out of memory");
        return kExitSoftware;
    }
}
