// zv-convert: the conversion for scripts and batch work. Reads UTF-8 from the named files or
// standard input, writes the converted text (or the whole document) to standard output or,
// with -o, to a file that is replaced whole.
//
// The input is converted as it is read, in memory that does not grow with it. Every input that
// is a file is read and checked before anything is written, and what comes from a pipe is held
// back until it ends or is long: bad input leaves standard output empty and the -o file as it
// was; only bad input found in a pipe after 16 MB of output ends the output part-way (the -o
// file still stays as it was).
#include "convert/zv_convert.h"

#include <fcntl.h>
#include <getopt.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sysexits.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "atomic_file/atomic_file.h"
#include "convert/check_text.h"
#include "convert/convert_text.h"
#include "convert/quoted_name.h"
#include "convert/restore_text.h"
#include "document/document_lines.h"
#include "zv/config.h"

namespace {

constexpr char kUsage[] =
    "Usage: zv-convert [OPTION]... [FILE]...\n"
    "Convert Latvian text typed on a plain keyboard (\"Riiga\", \"Kjeepis\", \"'s\") into\n"
    "HTML character references (\"R&#299;ga\").\n"
    "\n"
    "The FILEs are read as UTF-8, one after another, and converted as one text. With no\n"
    "FILE, or when FILE is -, standard input is read. The result goes to standard output\n"
    "in UTF-8. Each line break (LF, CR LF or a lone CR) becomes <Br>.\n"
    "\n"
    "  -o, --output=OUT  write the result to the file OUT instead: it is replaced only\n"
    "               once the whole result has been written, so on any error OUT stays\n"
    "               as it was; the new OUT keeps the old one's owner, permissions\n"
    "               and ACL; a symbolic link OUT is followed only when it and its\n"
    "               target belong to you, and never to a target that does not exist;\n"
    "               a FIFO or device is written in place; another user's OUT in a\n"
    "               folder others may write to is refused; with --check, OUT may\n"
    "               not be one of the inputs\n"
    "  --document   write the whole unitext.html document with the text as its body\n"
    "  --unicode    write the letters themselves (the Latvian ones and å Å ä Ä ö Ö)\n"
    "               in place of the character references the conversion makes\n"
    "  --exact      convert the text exactly as it is: only CR LF becomes <Br>, and a\n"
    "               lone LF or CR stays as it is\n"
    "  --text       write plain text in letters, for scripts and mail: one line for\n"
    "               each line of input, ended by LF where the input line had an end\n"
    "               (LF, CR LF or a lone CR), with no <Br> and no character\n"
    "               references that the conversion makes; not with --document,\n"
    "               --exact or --check\n"
    "  --check      convert nothing: list the words whose conversion the Latvian\n"
    "               dictionary rejects while another reading of the same typed\n"
    "               letters is a word, one line each:\n"
    "               FILE:LINE:COLUMN: TYPED -> CONVERTED: did you mean WORD (type FORM)\n"
    "               (the dictionary is hunspell's lv_LV, or ZV_DICTIONARY=/path/lv_LV)\n"
    "  --restore    first restore the marks of Latvian typed without them (\"Riga\"\n"
    "               becomes \"Riiga\", R&#299;ga), choosing each word's likeliest form;\n"
    "               with --check, list the choices it is unsure of instead, one line\n"
    "               each: FILE:LINE:COLUMN: TYPED -> CHOSEN: or OTHER, OTHER\n"
    "  -h, --help   show this help and exit\n"
    "  --version    show the version and exit\n"
    "  --           end of options: every argument after it is a FILE\n"
    "\n"
    "Exit status: 0 success (with --check: no word flagged), 1 with --check: some words\n"
    "flagged (with --restore: some choices listed), 64 bad command line, 65 input is not\n"
    "valid UTF-8, 66 an input cannot be read, 69 --check and no usable Latvian\n"
    "dictionary, or --restore and no usable lexicon, 70 internal error (out of memory),\n"
    "74 the output cannot be written.\n"
    "\n"
    "Example: zv-convert --document -o unitext.html letter.txt\n";

struct Failure {
    int code;
};

// A file name as messages show it (see quoted_name.h).
std::string Shown(std::string_view name) { return zv::cli::QuotedName(name); }

void Complain(const std::string& message) {
    const std::string line = "zv-convert: " + message + "\n";
    // Best effort: there is nowhere else to report a failing standard error.
    [[maybe_unused]] const ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
}

[[noreturn]] void Fail(int code, const std::string& message) {
    Complain(message);
    throw Failure{code};
}

// Stops with a message for the input shown (as messages show its name): not well-formed UTF-8
// at offset, where byte is.
[[noreturn]] void FailUtf8(const std::string& shown, std::uint64_t offset, unsigned char byte) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", byte);
    Fail(EX_DATAERR, shown + ": invalid UTF-8 at byte offset " + std::to_string(offset) +
                         " (byte " + hex + ")");
}

// Stops with a message when input is not well-formed UTF-8; shown names the input.
void CheckUtf8(std::string_view bytes, const std::string& shown) {
    if (const auto bad = zv::cli::FirstInvalidUtf8(bytes)) {
        FailUtf8(Shown(shown), *bad, static_cast<unsigned char>(bytes[*bad]));
    }
}

// Opens a named input for reading, once: a FIFO or a device gives its data to one opening
// only.
int OpenInput(const std::string& name) {
    const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail(EX_NOINPUT, Shown(name) + ": " + std::strerror(errno));
    return fd;
}

constexpr char kChangedWhileRead[] = ": the file changed while being read";

bool SameFileUnchanged(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// One input (a path, or "-" for standard input), read a block at a time and checked as UTF-8
// on its own as it is read. A regular file can be read and checked whole ahead (CheckAhead), so
// that bad input is found before anything is written; it is read again as the conversion goes,
// and one that changed meanwhile stops the program.
class Input : public zv::cli::TextSource {
  public:
    explicit Input(std::string name, int fd = -1)
        : name_(std::move(name)),
          shown_(name_ == "-" ? "standard input" : Shown(name_)),
          fd_(name_ == "-" ? STDIN_FILENO : fd) {}
    Input(Input&& other) noexcept
        : name_(std::move(other.name_)),
          shown_(std::move(other.shown_)),
          fd_(std::exchange(other.fd_, -1)),
          done_(other.done_),
          checked_(other.checked_),
          checked_status_(other.checked_status_),
          start_(other.start_),
          read_(other.read_),
          utf8_(other.utf8_) {}
    Input& operator=(Input&&) = delete;
    ~Input() override {
        if (fd_ > STDIN_FILENO) close(fd_);
    }

    // When the input is a regular file: reads it whole and checks it now, and returns true.
    // Otherwise only looks up its name (a FIFO or a device gives its data to one opening
    // only), and returns false.
    bool CheckAhead() {
        int fd = fd_;
        if (fd < 0) {
            struct stat named {};
            if (stat(name_.c_str(), &named) != 0) {
                Fail(EX_NOINPUT, shown_ + ": " + std::strerror(errno));
            }
            if (S_ISDIR(named.st_mode)) {
                fd_ = OpenInput(name_);
                std::string nothing;
                Read(nothing, 1);  // a folder cannot be read: this names the reason
            }
            if (!S_ISREG(named.st_mode)) return false;
            fd = OpenInput(name_);
        }
        struct stat status {};
        off_t start = -1;
        if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
            (start = lseek(fd, 0, SEEK_CUR)) < 0) {
            if (fd != fd_) close(fd);
            return false;
        }
        zv::Utf8StreamCheck utf8;
        std::string block(std::size_t{1} << 20, '\0');
        for (off_t at = start;;) {
            const ssize_t n = pread(fd, block.data(), block.size(), at);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) Fail(EX_NOINPUT, shown_ + ": " + std::strerror(errno));
            const auto fault =
                n == 0 ? utf8.Finish()
                       : utf8.Check(std::string_view(block.data(), static_cast<std::size_t>(n)));
            if (fault) FailUtf8(shown_, fault->offset, fault->byte);
            if (n == 0) break;
            at += n;
        }
        if (fd != fd_) close(fd);
        checked_ = true;
        checked_status_ = status;
        start_ = start;
        return true;
    }

    bool Read(std::string& out, std::size_t max) override {
        if (done_) return false;
        if (fd_ < 0) {
            fd_ = OpenInput(name_);
            if (checked_) CheckUnchanged();
        }
        const std::size_t old = out.size();
        out.resize(old + max);
        ssize_t n;
        while ((n = read(fd_, out.data() + old, max)) < 0 && errno == EINTR) {
        }
        const int read_errno = errno;
        out.resize(old + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (n < 0) Fail(EX_NOINPUT, shown_ + ": " + std::strerror(read_errno));
        const auto fault = n == 0 ? utf8_.Finish() : utf8_.Check(std::string_view(out).substr(old));
        if (fault) FailUtf8(shown_, fault->offset, fault->byte);
        read_ += static_cast<std::uint64_t>(n);
        if (n > 0) return true;
        if (checked_) {
            CheckUnchanged();
            if (read_ != static_cast<std::uint64_t>(checked_status_.st_size - start_)) {
                Fail(EX_NOINPUT, shown_ + kChangedWhileRead);
            }
        }
        if (fd_ != STDIN_FILENO) close(fd_);
        fd_ = -1;
        done_ = true;
        return false;
    }

  private:
    // A file read twice must be the same file, unchanged.
    void CheckUnchanged() const {
        struct stat now {};
        if (fstat(fd_, &now) != 0 || !SameFileUnchanged(now, checked_status_)) {
            Fail(EX_NOINPUT, shown_ + kChangedWhileRead);
        }
    }

    std::string name_, shown_;  // shown: as messages name it
    int fd_ = -1;
    bool done_ = false;
    bool checked_ = false;  // read and checked whole ahead, as it was then:
    struct stat checked_status_ {};
    off_t start_ = 0;  // where reading began
    std::uint64_t read_ = 0;
    zv::Utf8StreamCheck utf8_;
};

// The inputs one after another, as one text.
class Inputs : public zv::cli::TextSource {
  public:
    explicit Inputs(std::vector<Input> inputs) : inputs_(std::move(inputs)) {}

    // Every input that is a regular file read and checked whole; true when all are.
    bool CheckAhead() {
        bool all = true;
        for (Input& input : inputs_) all = input.CheckAhead() && all;
        return all;
    }

    bool Read(std::string& out, std::size_t max) override {
        for (; next_ < inputs_.size(); ++next_) {
            if (inputs_[next_].Read(out, max)) return true;
        }
        return false;
    }

  private:
    std::vector<Input> inputs_;
    std::size_t next_ = 0;
};

// What a mapped input's reader is told when the file changes under it. Reading a page past
// a new end raises SIGBUS; other changes show in the file's status, checked at the end.
char g_mappedChanged[512];
std::size_t g_mappedChangedLength = 0;

// Set by the first thread that takes SIGBUS: when both threads read past the new end at once,
// only one reports it; the other waits for the process to end.
std::atomic_flag g_mappedGoneReported;

extern "C" void OnMappedInputGone(int) {
    if (g_mappedGoneReported.test_and_set()) {
        for (;;) pause();
    }
    [[maybe_unused]] const ssize_t ignored =
        write(STDERR_FILENO, g_mappedChanged, g_mappedChangedLength);
    const char* temp = zv::TemporaryPathForSignals();
    if (temp[0] != '\0') unlink(temp);
    _exit(EX_NOINPUT);
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
            Fail(EX_NOINPUT, Shown(name) + kChangedWhileRead);
        }
    }
};

// The opened input mapped when it is a regular file that can be mapped; otherwise nothing,
// and fd stays open for reading.
std::optional<MappedInput> MapInput(const std::string& name, int fd) {
    MappedInput input{name, {}, fd, {}};
    void* map = MAP_FAILED;
    if (fstat(input.fd, &input.status) == 0 && S_ISREG(input.status.st_mode) &&
        input.status.st_size > 0) {
        map = mmap(nullptr, static_cast<std::size_t>(input.status.st_size), PROT_READ,
                   MAP_PRIVATE | MAP_POPULATE, input.fd, 0);
    }
    if (map == MAP_FAILED) return std::nullopt;
    const std::string message = "zv-convert: " + Shown(name) + kChangedWhileRead + "\n";
    g_mappedChangedLength = std::min(message.size(), sizeof g_mappedChanged);
    std::memcpy(g_mappedChanged, message.data(), g_mappedChangedLength);
    signal(SIGBUS, OnMappedInputGone);
    input.bytes = std::string_view(static_cast<const char*>(map),
                                   static_cast<std::size_t>(input.status.st_size));
    return input;
}

// The -o file while it is being written; standard output when there is none.
std::optional<zv::AtomicFile> g_output;
std::string g_outputName = "standard output";  // as named in messages

[[noreturn]] void FailOutput(const zv::AtomicFileError& error) {
    Fail(EX_IOERR, g_outputName + ": " + error.what());
}

void WriteAll(std::string_view bytes) {
    if (g_output) {
        try {
            g_output->Write(bytes);
        } catch (const zv::AtomicFileError& error) {
            FailOutput(error);
        }
        return;
    }
    while (!bytes.empty()) {
        const ssize_t n = write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(EX_IOERR, g_outputName + ": " + std::strerror(errno));
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Some errors (a full disk on a network file system) only show when the file is closed. The
// -o file replaces the old one only here.
void CloseOutput() {
    if (g_output) {
        try {
            g_output->Commit();
        } catch (const zv::AtomicFileError& error) {
            FailOutput(error);
        }
        // The new file took the old one's place under this name only: its other names still
        // hold the old contents.
        if (const nlink_t others = g_output->OtherLinks(); others > 0) {
            Complain(
                "warning: " + g_outputName + " had " + std::to_string(others) +
                (others == 1 ? " other hard link, which keeps" : " other hard links, which keep") +
                " the old contents");
        }
        g_output.reset();
        return;
    }
    if (close(STDOUT_FILENO) != 0 && errno != EINTR) {
        Fail(EX_IOERR, g_outputName + ": " + std::strerror(errno));
    }
}

// The descriptor that a name such as /dev/stdout, /dev/fd/3 or /proc/self/fd/3 stands for.
std::optional<int> DescriptorByName(std::string_view name) {
    if (name == "/dev/stdin") return STDIN_FILENO;
    if (name == "/dev/stdout") return STDOUT_FILENO;
    if (name == "/dev/stderr") return STDERR_FILENO;
    for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!name.starts_with(folder)) continue;
        const std::string_view number = name.substr(folder.size());
        if (number.empty() || number.size() > 6 ||
            number.find_first_not_of("0123456789") != std::string_view::npos) {
            return std::nullopt;
        }
        return std::stoi(std::string(number));
    }
    return std::nullopt;
}

// -o OUT: from now on the output goes to a new file that replaces OUT when complete.
void OpenOutput(const std::string& output) {
    g_outputName = Shown(output);
    try {
        g_output.emplace(output);
    } catch (const zv::AtomicFileError& error) {
        FailOutput(error);
    }
}

// The report of --check would take the place of the text it reports on: refused when -o names
// one of the inputs (the same file, however it is spelled, standard input included).
void RefuseToReplaceAnInput(const std::vector<std::string>& inputs, const std::string& output,
                            const struct stat& target) {
    for (const std::string& name : inputs) {
        struct stat input {};
        const int got = name == "-" ? fstat(STDIN_FILENO, &input) : stat(name.c_str(), &input);
        if (got == 0 && input.st_dev == target.st_dev && input.st_ino == target.st_ino) {
            Fail(EX_USAGE, "-o " + Shown(output) + " is the input " +
                               (name == "-" ? std::string("standard input") : Shown(name)) +
                               ": --check would replace it with its report");
        }
    }
}

// Output written in place (standard output, or the descriptor, FIFO or device that -o names
// put there) into a regular file that is one of the inputs would overwrite or lengthen the text
// while it is read: refused, as cat refuses it. Files are the same when their device and inode
// are, however they are named or opened.
void RefuseToWriteIntoAnInput(const std::vector<std::string>& inputs) {
    struct stat output {};
    if (fstat(STDOUT_FILENO, &output) != 0 || !S_ISREG(output.st_mode)) return;
    for (const std::string& name : inputs) {
        struct stat input {};
        const int got = name == "-" ? fstat(STDIN_FILENO, &input) : stat(name.c_str(), &input);
        if (got == 0 && input.st_dev == output.st_dev && input.st_ino == output.st_ino) {
            Fail(EX_USAGE, g_outputName + " is the same file as the input " +
                               (name == "-" ? std::string("standard input") : Shown(name)) +
                               ": writing to it would change the text being read");
        }
    }
}

// Where the dictionary was looked for: the path given (or found), or every folder searched.
std::string NoDictionaryMessage(const std::optional<std::string>& base) {
    std::string where;
    if (base) {
        where = "at " + Shown(*base + ".aff") + " and " + Shown(*base + ".dic");
    } else {
        const std::vector<std::string> folders = zv::checker::Checker::DictionaryFolders();
        where = "as lv_LV.aff and lv_LV.dic in ";
        for (std::size_t i = 0; i < folders.size(); ++i) {
            if (i > 0) where += i + 1 < folders.size() ? ", " : " or ";
            where += Shown(folders[i]);
        }
    }
    return "no Latvian dictionary found " + where + " (install hunspell-lv or set ZV_DICTIONARY)";
}

// The inputs of --check and --restore --check, each one that is a file read and checked as
// UTF-8 first; *all_checked tells whether all are.
std::vector<Input> InputsCheckedAhead(const std::vector<std::string>& names, bool* all_checked) {
    std::vector<Input> inputs;
    for (const std::string& name : names) {
        inputs.emplace_back(name);
        *all_checked = inputs.back().CheckAhead() && *all_checked;
    }
    return inputs;
}

// An input as the lines of a report name it.
std::string ReportName(const std::string& name) { return name == "-" ? "<stdin>" : Shown(name); }

// Holds the report of --check back until the inputs have ended, or until it is long: bad input
// from a pipe, found only once it is read, then leaves standard output as empty as bad input
// in a file does.
class HeldReport {
  public:
    explicit HeldReport(bool hold) : holding_(hold) {}
    void Write(std::string_view lines) {
        if (!holding_) return WriteAll(lines);
        held_.append(lines);
        if (held_.size() >= kHoldBytes) Release();
    }
    void Release() {
        holding_ = false;
        WriteAll(held_);
        std::string().swap(held_);
    }

  private:
    static constexpr std::size_t kHoldBytes = std::size_t{16} << 20;
    bool holding_;
    std::string held_;
};

// --check: every input that is a file read and checked as UTF-8 first, then each one checked
// against the dictionary on its own, read a block at a time, so that each line can name its
// file. 1 when some word is flagged.
int RunCheck(const std::vector<std::string>& names, const std::optional<std::string>& output) {
    bool all_checked = true;
    std::vector<Input> inputs = InputsCheckedAhead(names, &all_checked);
    using Unusable = zv::checker::Checker::Unusable;
    const std::optional<std::string> base = zv::checker::Checker::FindDictionary();
    Unusable why = Unusable::Missing;
    std::string rejected;
    const auto checker = base ? zv::checker::Checker::Open(*base, &why, &rejected) : nullptr;
    if (!checker) {
        switch (why) {
            case Unusable::Missing:
                Fail(EX_UNAVAILABLE, NoDictionaryMessage(base));
            case Unusable::Unreadable:
                Fail(EX_UNAVAILABLE, Shown(*base) + ": hunspell cannot read this dictionary");
            case Unusable::NotLatvian:
                // An empty or cut dictionary would flag nothing and so pass any text.
                Fail(EX_UNAVAILABLE, Shown(*base) +
                                         ": not a usable Latvian dictionary: it rejects \"" +
                                         rejected + "\", a common Latvian word");
        }
    }
    if (output) OpenOutput(*output);
    HeldReport report(!all_checked);
    const auto sink = [&report](std::string_view lines) { report.Write(lines); };
    std::size_t flagged = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::string name = ReportName(names[i]);
        std::size_t unchecked = 0;
        flagged += zv::cli::CheckText(*checker, name, inputs[i], sink, &unchecked);
        if (unchecked > 0) {
            Complain(name + ": " + std::to_string(unchecked) +
                     " words left unchecked: the text has too many words the dictionary does not "
                     "know");
        }
    }
    report.Release();
    CloseOutput();
    return flagged > 0 ? 1 : 0;
}

// The lexicon --restore needs; stops with 69 when there is none.
const zv::lexicon::Lexicon& TheLexicon() {
    const zv::lexicon::Lexicon* lexicon = zv::lexicon::Lexicon::Get();
    if (!lexicon) Fail(EX_UNAVAILABLE, "no usable lexicon: " + zv::lexicon::Lexicon::Error());
    return *lexicon;
}

// The dictionary's forms for the words the lexicon lacks, when there is a usable dictionary.
zv::restore::DictionaryForms DictionaryFormsIfAny() {
    const std::optional<std::string> base = zv::checker::Checker::FindDictionary();
    return base ? zv::restore::HunspellForms(*base) : zv::restore::DictionaryForms{};
}

// --restore --check: every input that is a file read and checked as UTF-8 first, then the
// uncertain choices of each listed, read and restored a block at a time, held back as --check's
// report is. 1 when some are.
int RunRestoreCheck(const std::vector<std::string>& names,
                    const std::optional<std::string>& output) {
    bool all_checked = true;
    std::vector<Input> inputs = InputsCheckedAhead(names, &all_checked);
    zv::restore::Restorer restorer(TheLexicon(), DictionaryFormsIfAny());
    if (output) OpenOutput(*output);
    HeldReport report(!all_checked);
    const auto sink = [&report](std::string_view lines) { report.Write(lines); };
    std::size_t listed = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::string name = ReportName(names[i]);
        listed += zv::cli::ListUncertain(restorer, name, inputs[i], sink);
    }
    report.Release();
    CloseOutput();
    return listed > 0 ? 1 : 0;
}

// What the command line asks for.
struct Options {
    bool document = false, help = false, version = false, check = false, restore = false;
    zv::cli::ConvertOptions convert;
    std::optional<std::string> output;
    std::vector<std::string> inputs;  // in the order given; "-" for standard input
};

[[noreturn]] void FailUsage(const std::string& message) {
    Fail(EX_USAGE, message + "\nTry 'zv-convert --help' for more information.");
}

// The long options without a short one: values beyond any character.
enum : int { kDocument = 256, kUnicode, kExact, kText, kCheck, kRestore, kVersion };

// Stops on what getopt_long could not take: ':' for -o without its file name, '?' for an
// option it does not know (optopt is then the unknown letter of a group of short options, or
// 0 or the option's value for a long one: unknown, or given a value it does not take).
[[noreturn]] void FailOption(int returned, char** argv) {
    const std::string given = argv[optind - 1];
    if (returned == ':') {
        FailUsage("option '" + (given.starts_with("--") ? given : "-o") + "' needs a file name");
    }
    const bool letter = optopt > 0 && optopt < kDocument && optopt != 'h' && optopt != 'o';
    FailUsage("unknown option '" + (letter ? std::string{'-', static_cast<char>(optopt)} : given) +
              "'");
}

Options ParseOptions(int argc, char** argv) {
    static const option kLongOptions[] = {
        {"output", required_argument, nullptr, 'o'}, {"document", no_argument, nullptr, kDocument},
        {"unicode", no_argument, nullptr, kUnicode}, {"exact", no_argument, nullptr, kExact},
        {"text", no_argument, nullptr, kText},       {"check", no_argument, nullptr, kCheck},
        {"restore", no_argument, nullptr, kRestore}, {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, kVersion}, {nullptr, 0, nullptr, 0},
    };
    // "-": files come back in their place among the options (as 1), whatever POSIXLY_CORRECT
    // says, so options may follow files; ":": the messages are this program's own.
    constexpr char kShortOptions[] = "-:ho:";
    Options options;
    opterr = 0;
    for (int c; (c = getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr)) != -1;) {
        switch (c) {
            case 1:
                options.inputs.emplace_back(optarg);
                break;
            case 'o':
                options.output = optarg;
                break;
            case 'h':
                options.help = true;
                break;
            case kDocument:
                options.document = true;
                break;
            case kUnicode:
                options.convert.letters = true;
                break;
            case kExact:
                options.convert.exact = true;
                break;
            case kText:
                options.convert.text = true;
                break;
            case kCheck:
                options.check = true;
                break;
            case kRestore:
                options.restore = true;
                break;
            case kVersion:
                options.version = true;
                break;
            default:
                FailOption(c, argv);
        }
    }
    // After "--": every argument is a file.
    for (int i = optind; i < argc; ++i) options.inputs.emplace_back(argv[i]);
    if (options.inputs.empty()) options.inputs.emplace_back("-");
    return options;
}

// Where -o sends the output when it is no file to replace: "-" is standard output, an open
// descriptor by name (/dev/stdout, /dev/fd/N) is written as it is (replacing the file behind
// it would swap the caller's file for a new one), and a FIFO or a device is written in place,
// as by the shell's redirection (there is no earlier content to keep). A FIFO or device is
// found and opened under the same policy as a file to replace: another user's link is not
// followed to it. What is left is the file that the complete output replaces.
std::optional<std::string> FileToReplace(const Options& options) {
    std::optional<std::string> output = options.output;
    if (output && output->empty()) Fail(EX_USAGE, "the output file name is empty");
    if (!output || *output == "-") return std::nullopt;
    if (const std::optional<int> fd = DescriptorByName(*output)) {
        if (*fd != STDOUT_FILENO && dup2(*fd, STDOUT_FILENO) < 0) {
            Fail(EX_IOERR, Shown(*output) + ": " + std::strerror(errno));
        }
        if (*fd != STDOUT_FILENO) g_outputName = Shown(*output);
        return std::nullopt;
    }
    try {
        const zv::WriteTarget target = zv::FindWriteTarget(*output);
        if (options.check && target.status) {
            RefuseToReplaceAnInput(options.inputs, *output, *target.status);
        }
        if (!target.IsSpecial()) return output;
        const int fd = zv::OpenInPlace(target);
        if (dup2(fd, STDOUT_FILENO) < 0) {
            Fail(EX_IOERR, Shown(*output) + ": " + std::strerror(errno));
        }
        if (fd != STDOUT_FILENO) close(fd);
        g_outputName = Shown(*output);
        return std::nullopt;
    } catch (const zv::AtomicFileError& error) {
        Fail(EX_IOERR, Shown(*output) + ": " + error.what());
    }
}

// The conversion: a single named file mapped and checked, or else the inputs read as the
// conversion goes (every one that is a file read and checked first), converted and written
// piece by piece, inside the document when it is asked for.
int RunConvert(const Options& options, const std::optional<std::string>& output) {
    const std::vector<std::string>& names = options.inputs;
    std::optional<MappedInput> mapped;
    std::vector<Input> inputs;
    // Restoring is far slower than reading: a mapped file would buy it nothing.
    if (names.size() == 1 && names.front() != "-" && !options.restore) {
        const int fd = OpenInput(names.front());
        mapped = MapInput(names.front(), fd);
        if (!mapped) inputs.emplace_back(names.front(), fd);
    } else {
        for (const std::string& name : names) inputs.emplace_back(name);
    }
    Inputs text(std::move(inputs));
    const bool all_checked = mapped || text.CheckAhead();

    // The document's body line sits between its first CR LF (the header line's end) and the
    // footer; the converted text goes there.
    std::string before, after;
    if (options.document) {
        before = zv::DocumentHeaderLine(zv::DocumentVariant::Run);
        before += zv::kDocumentLineEnd;
        after = zv::kDocumentLineEnd;
        after += zv::kDocumentFooterLine;
        after += zv::kDocumentLineEnd;
    }
    // Nothing is written before the input is checked: a mapped file while the conversion
    // starts on another core, the other files before; what comes from a pipe is held back until
    // it ends, unless it is long. From then on only a failing write (or memory), or bad input
    // from a pipe, can stop the output part-way.
    const auto checkThenBegin = [&] {
        if (mapped) CheckUtf8(mapped->bytes, mapped->name);
        if (output) OpenOutput(*output);
        WriteAll(before);
    };
    if (mapped) {
        zv::cli::ConvertUtf8(mapped->bytes, options.convert, checkThenBegin, WriteAll);
        mapped->CheckUnchanged();
    } else {
        zv::cli::ChunkLimits limits;
        if (all_checked) limits.hold = 0;
        if (options.restore) {
            // Restored a block of whole lines at a time as the conversion reads it.
            zv::restore::Restorer restorer(TheLexicon(), DictionaryFormsIfAny());
            zv::cli::RestoringSource restored(restorer, text);
            zv::cli::ConvertStream(restored, options.convert, checkThenBegin, WriteAll, limits);
        } else {
            zv::cli::ConvertStream(text, options.convert, checkThenBegin, WriteAll, limits);
        }
    }
    WriteAll(after);
    CloseOutput();
    return EX_OK;
}

int Run(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    if (options.help || options.version) {
        WriteAll(options.help ? std::string(kUsage)
                              : std::string("zv-convert ") + zv::config::kVersion + "\n");
        CloseOutput();
        return EX_OK;
    }
    if (options.check && (options.document || options.convert.letters || options.convert.exact ||
                          options.convert.text)) {
        Fail(EX_USAGE, "--check cannot be combined with --document, --unicode, --exact or --text");
    }
    // Plain text is neither the document's HTML nor the table's own line ends; --unicode adds
    // nothing to it and is let be.
    if (options.convert.text && (options.document || options.convert.exact)) {
        Fail(EX_USAGE, std::string("--text cannot be combined with ") +
                           (options.document ? "--document" : "--exact") +
                           ": it writes plain text with LF line ends");
    }
    const std::optional<std::string> output = FileToReplace(options);
    if (!output) RefuseToWriteIntoAnInput(options.inputs);
    if (options.check && options.restore) return RunRestoreCheck(options.inputs, output);
    return options.check ? RunCheck(options.inputs, output) : RunConvert(options, output);
}

}  // namespace

namespace zv::cli {

int RunZvConvert(int argc, char** argv) {
    try {
        std::_Exit(Run(argc, argv));
    } catch (const Failure& failure) {
        g_output.reset();  // an unfinished -o file is removed, the old one left as it was
        return failure.code;
    } catch (const std::bad_alloc&) {
        g_output.reset();
        Complain("out of memory");
        return EX_SOFTWARE;
    }
}

}  // namespace zv::cli
