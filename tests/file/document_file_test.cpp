// Loading and saving document files: encodings made by iconv from real documents, the
// messages, the questions before data is dropped or discarded, safe saving, the recent file
// list and changes made by other programs.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "file/document_file.h"
#include "foundation/job.h"
#include "tests/encoding/iconv_reference.h"
#include "tests/file_contents.h"
#include "tests/seams/scripted_ui.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

void write_bytes(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// glibc iconv, the reference the files are made with; characters the target lacks are
// dropped (//IGNORE) so that any real document can be turned into any encoding.
std::string iconv_convert(std::string_view text, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << from << " to " << to;
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    char* at = out.data();
    size_t out_left = out.size();
    while (in_left > 0) {
        if (iconv(cd, &in, &in_left, &at, &out_left) == static_cast<size_t>(-1)) {
            if (errno != EILSEQ && errno != EINVAL) break;
            ++in, --in_left;  // a character the target lacks, or a stray byte: skip a byte
        }
    }
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}

class TestHost : public DocumentHost {
public:
    TestHost() { doc.set_history(&history); }
    TextDocument& document() override { return doc; }
    void set_language_for(std::string_view name, std::string_view head) override {
        heads.push_back(std::string(head));
        const size_t dot = name.rfind('.');
        extension = dot == std::string_view::npos ? "txt" : std::string(name.substr(dot + 1));
    }
    std::string language_extension() override { return extension; }
    std::string file_filter() override { return "XML#*.xml"; }
    void reset_views() override { ++resets; }
    void set_busy(bool on) override { busy_changes.push_back(on); }
    void name_changed() override {}
    void document_saved() override { ++saves; }
    void post_command(std::string_view name, std::string_view argument) override {
        posted.push_back(std::string(name) + "(" + std::string(argument) + ")");
    }
    void set_status_message(std::string_view text) override { status = text; }
    void log(std::string_view text) override { logged.push_back(std::string(text)); }
    void progress_changed() override { ++progress_calls; }
    double now_ms() override {
        if (clock.empty()) return 0;
        double t = clock.front();
        if (clock.size() > 1) clock.pop_front();
        return t;
    }

    EditHistory history;
    TextDocument doc;
    std::string extension = "xml";
    int resets = 0, saves = 0, progress_calls = 0;
    std::vector<bool> busy_changes;
    std::vector<std::string> posted, logged, heads;
    std::string status;
    std::deque<double> clock;
};

class MemoryStore : public RecentFilesStore {
public:
    std::optional<std::string> read(std::string_view name) override {
        auto it = values.find(std::string(name));
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    void write(std::string_view name, std::string_view value) override {
        values[std::string(name)] = value;
    }
    void remove(std::string_view name) override { values.erase(std::string(name)); }
    std::map<std::string, std::string> values;
};

class DocumentFileTest : public ::testing::Test {
protected:
    DocumentFileTest() : file(host, ui, &store) {
        folder = fs::temp_directory_path() /
                 ("tessel-files-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~DocumentFileTest() override { fs::remove_all(folder); }

    fs::path at(const char* name) const { return folder / name; }
    std::vector<std::string> folder_names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    ScriptedUi ui;
    TestHost host;
    MemoryStore store;
    DocumentFile file;
    fs::path folder;
};

// A real document nobody here wrote, with text in many scripts.
constexpr const char* kRealDocument = "/usr/share/mime/packages/freedesktop.org.xml";

std::string real_document() {
    std::string text = test::file_contents(kRealDocument);
    EXPECT_GT(text.size(), 1'000'000u);
    return text;
}

TEST_F(DocumentFileTest, FilesMadeByIconvLoadAsTheirTextAndSaveToTheSameBytes) {
    TESSEL_REQUIRE_INPUT(kRealDocument);
    const std::string original = real_document();
    // Without a declaration, so that a plain save keeps the encoding the file was read in.
    const std::string body = original.substr(original.find("?>") + 2);
    struct Case {
        const char* iconv_name;
        const char* mark;
        EncodingId requested, expected;
    };
    const Case cases[] = {
        {"UTF-16LE", "\xFF\xFE", -1, 4},  {"UTF-16BE", "\xFE\xFF", -1, 6}, {"UTF-16LE", "", -1, 3},
        {"UTF-8", "\xEF\xBB\xBF", -1, 2}, {"WINDOWS-1252", "", 7, 7},      {"KOI8-R", "", 18, 18},
        {"ISO-8859-7", "", 20, 20},       {"WINDOWS-1256", "", 8, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.iconv_name) + (c.mark[0] ? " with mark" : ""));
        const std::string bytes = c.mark + iconv_convert(body, "UTF-8", c.iconv_name);
        const std::string expected_text =
            iconv_convert(bytes.substr(strlen(c.mark)), c.iconv_name, "UTF-8");
        const fs::path path = at("in.txt");
        write_bytes(path, bytes);
        ASSERT_TRUE(file.load(path, c.requested, nullptr));
        EXPECT_EQ(file.encoding(), c.expected);
        ASSERT_EQ(host.doc.length(), static_cast<int32_t>(expected_text.size()));
        EXPECT_TRUE(host.doc.text() == expected_text);
        EXPECT_FALSE(file.modified());
        // The size shown is the file's, and the size the text takes in its encoding is the
        // same figure iconv wrote.
        EXPECT_EQ(file.file_bytes(), static_cast<int64_t>(bytes.size()));
        int64_t characters = 0, above_bmp = 0;
        for (const char ch : expected_text) {
            characters += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
            above_bmp += (static_cast<unsigned char>(ch) & 0xF8) == 0xF0;
        }
        EXPECT_EQ(encoded_size(file.encoding(), host.doc.length(), characters, above_bmp),
                  static_cast<int64_t>(bytes.size()));

        ASSERT_TRUE(file.save(at("out.txt"), -1, nullptr));
        EXPECT_TRUE(test::file_contents(at("out.txt")) == bytes);
        EXPECT_EQ(file.file_bytes(), static_cast<int64_t>(bytes.size()));
    }
    // A changed text is no longer the file's: no file size for it.
    ASSERT_TRUE(host.doc.history() != nullptr);
    host.doc.history()->set_modified_flag(true);
    EXPECT_EQ(file.file_bytes(), -1);
    EXPECT_TRUE(ui.shown.empty()) << ui.shown[0].text;
}

// Every byte 0x00-0xFF of every code page comes back from a load and a plain save, the
// undefined ones among them; the text read is what glibc reads, with one stray byte (a byte
// that is not UTF-8) for each byte glibc rejects. The undefined bytes follow once more in a
// row and reversed, so that they stand next to each other in every order.
TEST_F(DocumentFileTest, EveryByteOfEveryCodePageComesBackFromALoadAndASave) {
    for (const reference::GlibcName& page : reference::kGlibcNames) {
        SCOPED_TRACE(page.name);
        // Characters compared as UTF-32, byte by byte (glibc joins some windows-1258 letters
        // with the combining mark after them).
        std::string bytes, undefined, characters;
        for (int b = 0; b < 256; ++b) {
            bytes += static_cast<char>(b);
            const auto character = reference::iconv_convert(page.name, "UTF-32LE", bytes.substr(b));
            if (character)
                characters += *character;
            else
                undefined += bytes.back();
        }
        bytes += undefined + std::string(undefined.rbegin(), undefined.rend());
        write_bytes(at("page.txt"), bytes);
        ASSERT_TRUE(file.load(at("page.txt"), page.id, nullptr));
        EXPECT_EQ(file.encoding(), page.id);
        const std::string text = host.doc.text();
        EXPECT_EQ(reference::invalid_utf8_bytes(text), 3 * static_cast<int>(undefined.size()));
        EXPECT_TRUE(iconv_convert(text, "UTF-8", "UTF-32LE") == characters);

        ASSERT_TRUE(file.save(at("page.txt"), -1, nullptr));
        EXPECT_TRUE(test::file_contents(at("page.txt")) == bytes);
    }
    EXPECT_TRUE(ui.shown.empty()) << ui.shown[0].text;
}

TEST_F(DocumentFileTest, AnUndefinedByteIsWrittenBackOnlyInItsOwnEncodingAndElsewhereAsksFirst) {
    write_bytes(at("a.txt"), "caf\xE9 \x81 end\n");
    ASSERT_TRUE(file.load(at("a.txt"), 7, nullptr));
    EXPECT_EQ(host.doc.text(), "caf\xC3\xA9 \x81 end\n");
    ASSERT_TRUE(file.save(at("a.txt"), -1, nullptr));
    EXPECT_EQ(test::file_contents(at("a.txt")), "caf\xE9 \x81 end\n");
    EXPECT_TRUE(ui.shown.empty());

    // In UTF-8 the byte would stand for nothing that windows-1252 meant: the save asks.
    ui.answers = {UiAnswer::no};
    EXPECT_FALSE(file.save(at("b.txt"), 1, nullptr));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, DocumentFile::kLossQuestion);
    EXPECT_FALSE(fs::exists(at("b.txt")));
    ui.answers = {UiAnswer::yes};
    EXPECT_TRUE(file.save(at("b.txt"), 1, nullptr));
    EXPECT_EQ(test::file_contents(at("b.txt")), "caf\xC3\xA9  end\n");
    EXPECT_EQ(host.doc.text(), "caf\xC3\xA9  end\n");
    EXPECT_EQ(file.encoding(), 1);

    // A byte that is not UTF-8 in a UTF-8 file stays in UTF-8, and has no unit in UTF-16.
    write_bytes(at("c.txt"), "x\xFFy");
    ASSERT_TRUE(file.load(at("c.txt"), -1, nullptr));
    ASSERT_TRUE(file.save(at("c.txt"), -1, nullptr));
    EXPECT_EQ(test::file_contents(at("c.txt")), "x\xFFy");
    EXPECT_EQ(ui.shown.size(), 2u);
    ui.answers = {UiAnswer::yes};
    EXPECT_TRUE(file.save(at("d.txt"), 3, nullptr));
    EXPECT_EQ(ui.shown.size(), 3u);
    EXPECT_EQ(test::file_contents(at("d.txt")), std::string("x\0y\0", 4));
}

// Overlong forms are stray bytes like any other: kept byte for byte in UTF-8, a loss the save
// asks about anywhere else, never "<" in a code page. An odd last byte of UTF-16 is a loss too.
TEST_F(DocumentFileTest, OverlongFormsAndAnOddUtf16ByteAreLossesTheSaveAsksAbout) {
    const std::string injected = "<a>\xC0\xBC" "b\xE0\x80\xBE</a>";
    write_bytes(at("inj.xml"), injected);
    ASSERT_TRUE(file.load(at("inj.xml"), -1, nullptr));
    ASSERT_TRUE(file.save(at("inj.xml"), -1, nullptr));
    EXPECT_EQ(test::file_contents(at("inj.xml")), injected);
    EXPECT_TRUE(ui.shown.empty());
    ui.answers = {UiAnswer::no};
    EXPECT_FALSE(file.save(at("inj-1252.xml"), 7, nullptr));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, DocumentFile::kLossQuestion);
    EXPECT_FALSE(fs::exists(at("inj-1252.xml")));
    ui.answers = {UiAnswer::yes};
    EXPECT_TRUE(file.save(at("inj-1252.xml"), 7, nullptr));
    EXPECT_EQ(test::file_contents(at("inj-1252.xml")),
              "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<a>b</a>");

    write_bytes(at("odd.txt"), std::string("\xFF\xFEx\0y\0!", 7));
    ASSERT_TRUE(file.load(at("odd.txt"), -1, nullptr));
    EXPECT_EQ(file.replaced_bytes(), 1);
    ui.shown.clear();
    ui.answers = {UiAnswer::no};
    EXPECT_FALSE(file.save(at("odd.txt"), -1, nullptr));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, DocumentFile::kLossQuestion);
    EXPECT_EQ(test::file_contents(at("odd.txt")), std::string("\xFF\xFEx\0y\0!", 7));
}

TEST_F(DocumentFileTest, SavingWithAnEncodingRewritesTheDeclarationAndAPlainSaveFollowsIt) {
    write_bytes(at("a.xml"),
                "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<a>\xC3\xA9</a>\n");
    ASSERT_TRUE(file.load(at("a.xml"), -1, nullptr));
    EXPECT_EQ(file.encoding(), 2);
    // The declaration says utf-8: a plain save drops the mark.
    ASSERT_TRUE(file.save(at("a.xml"), -1, nullptr));
    EXPECT_EQ(test::file_contents(at("a.xml")),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<a>\xC3\xA9</a>\n");

    ASSERT_TRUE(file.save(at("b.xml"), 7, nullptr));
    EXPECT_EQ(test::file_contents(at("b.xml")),
              "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<a>\xE9</a>\n");
    EXPECT_EQ(file.encoding(), 7);
    EXPECT_EQ(host.doc.text(),
              "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<a>\xC3\xA9</a>\n");
    // The rewrite is one undoable edit, and the saved state is after it.
    EXPECT_FALSE(file.modified());
    host.history.undo();
    EXPECT_EQ(host.doc.text(), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<a>\xC3\xA9</a>\n");
}

TEST_F(DocumentFileTest, LoadReportsBytesAndTimeThenAsksForAParse) {
    std::string text(1'234'567, 'x');
    write_bytes(at("big.txt"), text);
    host.clock = {1000, 3345};
    ASSERT_TRUE(file.load(at("big.txt"), -1, nullptr));
    EXPECT_EQ(host.status, "Loaded 1,234,567 bytes in 2.35 seconds");
    EXPECT_EQ(host.logged.back(), host.status);
    EXPECT_EQ(host.posted, std::vector<std::string>{"reparse(y)"});
    EXPECT_EQ(host.busy_changes, (std::vector<bool>{true, false}));
    EXPECT_EQ(host.progress_calls, 2);  // a block of 1 000 000 bytes and the rest
    EXPECT_EQ(store.values["File0"], at("big.txt").string());
    EXPECT_TRUE(file.watched());
    // The language is chosen by name before the text is read, and again with the text's
    // first 4,096 bytes once it is in (before the parse it asks for).
    EXPECT_EQ(host.heads, (std::vector<std::string>{"", text.substr(0, 4096)}));
}

TEST_F(DocumentFileTest, AFileThatCannotBeOpenedIsReportedAndLeavesTheRecentList) {
    const std::string missing = at("missing.xml");
    file.recent().add(missing);
    EXPECT_FALSE(file.load(missing, -1, nullptr));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "Cannot open file " + missing + "\nNo such file or directory");
    EXPECT_EQ(ui.shown[0].buttons, UiButtons::ok);
    EXPECT_TRUE(file.recent().entries().empty());
    EXPECT_FALSE(file.busy());

    // The document that stays open keeps its encoding.
    write_bytes(at("latin.txt"), "caf\xE9\n");
    ASSERT_TRUE(file.load(at("latin.txt"), 0, nullptr));
    EXPECT_FALSE(file.load(missing, -1, nullptr));
    EXPECT_EQ(file.encoding(), 0);
    EXPECT_EQ(host.doc.text(), "caf\xC3\xA9\n");
}

// A file of 2 GiB (sparse: made at once, nothing written) is refused by its size before a
// byte is read: the open document stays as it was, and the message names the limit.
TEST_F(DocumentFileTest, AFileOfTwoGiBIsRefusedBeforeReadingAndTheDocumentStays) {
    write_bytes(at("small.xml"), "<a/>\n");
    ASSERT_TRUE(file.load(at("small.xml"), -1, nullptr));
    const std::string big = at("big.xml");
    write_bytes(big, "");
    fs::resize_file(big, std::uintmax_t{1} << 31);
    const int resets = host.resets;
    EXPECT_FALSE(file.load(big, -1, nullptr));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "Cannot open file " + big +
                                    "\nFile too large: it has 2,147,483,648 bytes, and a "
                                    "document holds at most 2,147,483,646 bytes");
    EXPECT_EQ(host.resets, resets);
    EXPECT_EQ(host.doc.text(), "<a/>\n");
    EXPECT_EQ(file.path(), at("small.xml").string());
    EXPECT_FALSE(file.untitled());
    EXPECT_FALSE(file.modified());
    EXPECT_FALSE(file.busy());
    // One byte over the limit is refused as well.
    fs::resize_file(big, std::uintmax_t{TextStore::kMaxLength} + 1);
    EXPECT_FALSE(file.load(big, -1, nullptr));
    EXPECT_EQ(ui.shown.back().text, "Cannot open file " + big +
                                        "\nFile too large: it has 2,147,483,647 bytes, and a "
                                        "document holds at most 2,147,483,646 bytes");
    EXPECT_EQ(host.doc.text(), "<a/>\n");
}

// With a smaller limit set on the store: a file over it is refused unread, and a file whose
// text grows past it in the conversion (a code page's bytes become two bytes of UTF-8) stops
// with the message instead of wrapping; what was read stays, unsaved and untitled.
TEST_F(DocumentFileTest, TextThatGrowsPastTheLimitInTheConversionIsRefused) {
    host.doc.store().set_max_length(1'500'000);
    write_bytes(at("long.txt"), std::string(1'500'001, 'x'));
    EXPECT_FALSE(file.load(at("long.txt"), -1, nullptr));
    EXPECT_EQ(ui.shown.back().text, "Cannot open file " + at("long.txt").string() +
                                        "\nFile too large: it has 1,500,001 bytes, and a "
                                        "document holds at most 1,500,000 bytes");
    EXPECT_EQ(host.doc.length(), 0);

    write_bytes(at("exact.txt"), std::string(1'500'000, 'x'));
    ASSERT_TRUE(file.load(at("exact.txt"), -1, nullptr));
    EXPECT_EQ(host.doc.length(), 1'500'000);

    // 1 000 000 bytes of 0xE9 in windows-1252: the first block's text is 2 000 000 bytes.
    std::string latin = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<a>";
    latin += std::string(1'200'000, '\xE9');
    write_bytes(at("latin.xml"), latin);
    EXPECT_FALSE(file.load(at("latin.xml"), -1, nullptr));
    EXPECT_EQ(ui.shown.back().text, "Cannot read from file " + at("latin.xml").string() +
                                        "\nFile too large: its text in UTF-8 has more than "
                                        "1,500,000 bytes, the most a document holds");
    EXPECT_LE(host.doc.length(), 1'500'000);
    EXPECT_TRUE(file.untitled());
    EXPECT_EQ(host.posted, std::vector<std::string>{"reparse(y)"});  // for exact.txt only
}

TEST_F(DocumentFileTest, ALossySaveAsksFirstAndThenShowsWhatWasWritten) {
    write_bytes(at("a.txt"), "caf\xC3\xA9 \xE2\x82\xAC 5\n");  // é is in iso-8859-1, € is not
    ASSERT_TRUE(file.load(at("a.txt"), -1, nullptr));
    ui.answers = {UiAnswer::no};
    EXPECT_FALSE(file.save(at("b.txt"), 0, nullptr));
    EXPECT_EQ(ui.shown.back().text, DocumentFile::kLossQuestion);
    EXPECT_FALSE(fs::exists(at("b.txt")));

    ui.answers = {UiAnswer::yes};
    EXPECT_TRUE(file.save(at("b.txt"), 0, nullptr));
    EXPECT_EQ(test::file_contents(at("b.txt")), "caf\xE9  5\n");
    EXPECT_EQ(host.doc.text(), "caf\xC3\xA9  5\n");  // reloaded from the file
    EXPECT_EQ(file.encoding(), 0);

    // A plain save keeps the code page the file was loaded in, also when it loses text,
    // and reads the file back in it.
    host.doc.replace("\xE2\x82\xAC", 0, 0);
    ui.answers = {UiAnswer::yes};
    EXPECT_TRUE(file.save(at("b.txt"), -1, nullptr));
    EXPECT_EQ(test::file_contents(at("b.txt")), "caf\xE9  5\n");
    EXPECT_EQ(host.doc.text(), "caf\xC3\xA9  5\n");
    EXPECT_EQ(file.encoding(), 0);
}

// A job whose yield point throws JobCancelled after some calls.
class CancelledAfter final : public Job {
public:
    explicit CancelledAfter(int calls) : calls_(calls) {}
    void set_progress(int) override {}
    void set_status_text(std::string_view) override {}
    void yield_point() override {
        if (calls_-- == 0) throw JobCancelled();
    }

private:
    int calls_;
};

// Lets the process write files of at most limit bytes, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit r = saved_;
        r.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit saved_;
    void (*old_handler_)(int);
};

TEST_F(DocumentFileTest, ASaveThatFailsHalfWayLeavesTheOldFileWholeAndTheDocumentModified) {
    const std::string old_bytes = "<old>" + std::string(3'000'000, 'o') + "</old>\n";
    write_bytes(at("doc.xml"), old_bytes);
    ::chmod(at("doc.xml").c_str(), 0640);
    ASSERT_TRUE(file.load(at("doc.xml"), -1, nullptr));
    host.doc.replace("<new>", 0, 5);
    ASSERT_TRUE(file.modified());
    {
        FileSizeLimit limit(1'500'000);
        EXPECT_FALSE(file.save(at("doc.xml"), -1, nullptr));
    }
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text.rfind("Cannot write to file " + at("doc.xml").string() + "\n", 0),
              0u)
        << ui.shown[0].text;
    EXPECT_TRUE(test::file_contents(at("doc.xml")) == old_bytes);
    EXPECT_EQ(folder_names(), std::vector<std::string>{"doc.xml"});  // no temporary file left
    EXPECT_TRUE(file.modified());
    EXPECT_FALSE(file.busy());
    // A save cancelled between blocks leaves no hidden file either.
    CancelledAfter cancelled(1);
    EXPECT_THROW(file.save(at("doc.xml"), -1, &cancelled), JobCancelled);
    EXPECT_EQ(folder_names(), std::vector<std::string>{"doc.xml"});
    EXPECT_TRUE(test::file_contents(at("doc.xml")) == old_bytes);

    // Once there is room, the save goes through and keeps the file's permissions.
    ASSERT_TRUE(file.save(at("doc.xml"), -1, nullptr));
    EXPECT_EQ(test::file_contents(at("doc.xml")).substr(0, 6), "<new>o");
    EXPECT_EQ(fs::status(at("doc.xml")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_FALSE(file.modified());
}

// Runs body as user and group 65534 with the supplementary groups given, in a child process
// when the tests run as root (the child's exit status carries body's answer), or directly
// when they run as an ordinary user already.
bool as_unprivileged_user(const std::function<bool()>& body,
                          const std::vector<gid_t>& groups = {}) {
    if (::geteuid() != 0) return body();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const bool ok = ::setgroups(groups.size(), groups.data()) == 0 &&
                        ::setresgid(65534, 65534, 65534) == 0 &&
                        ::setresuid(65534, 65534, 65534) == 0 && body();
        std::fflush(nullptr);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// Lets user 65534 write the test's folder (it is made by root when the tests run as root).
void hand_over(const fs::path& path) {
    if (::geteuid() == 0) {
        EXPECT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
}

// Saving replaces the file by a rename, which needs only the folder's permission: a file the
// user may not write must be refused all the same, as a write in place would be.
TEST_F(DocumentFileTest, AFileTheUserMayNotWriteIsRefusedAsAWriteInPlaceWouldBe) {
    const fs::path path = at("read-only.txt");
    write_bytes(path, "old\n");
    ASSERT_TRUE(file.load(path, -1, nullptr));
    host.doc.replace("new", 0, 3);
    hand_over(folder);
    hand_over(path);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_TRUE(as_unprivileged_user([&] {
        const bool saved = file.save(path, -1, nullptr);
        const std::string shown = ui.shown.empty() ? "" : ui.shown.back().text;
        std::fprintf(stderr, "save: %d, shown: %s\n", saved, shown.c_str());
        return !saved && shown == "Cannot write to file " + path.string() + "\nPermission denied" &&
               test::file_contents(path) == "old\n" &&
               folder_names() == std::vector<std::string>{"read-only.txt"};
    }));
    if (::geteuid() != 0) return;
    // Root may write a file of mode 0444 in place, so root's save goes through; the mode stays.
    ASSERT_TRUE(file.save(path, -1, nullptr));
    EXPECT_EQ(test::file_contents(path), "new\n");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(DocumentFileTest, ASaveKeepsExtendedAttributesAndTheGroupWhereTheUserMay) {
    const fs::path path = at("attributes.txt");
    write_bytes(path, "old\n");
    if (::setxattr(path.c_str(), "user.tessel", "kept", 4, 0) != 0) {
        GTEST_SKIP() << "this file system keeps no user attributes: " << std::strerror(errno);
    }
    ASSERT_TRUE(file.load(path, -1, nullptr));
    host.doc.replace("new", 0, 3);
    ASSERT_TRUE(file.save(path, -1, nullptr));
    EXPECT_EQ(test::file_contents(path), "new\n");
    char value[16] = {};
    EXPECT_EQ(::getxattr(path.c_str(), "user.tessel", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");

    // A user who is not the owner but a member of the file's group keeps the group.
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can make a user of another group here";
    }
    hand_over(folder);
    ASSERT_EQ(::chown(path.c_str(), 0, 4242), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    host.doc.replace("two", 0, 3);
    EXPECT_TRUE(as_unprivileged_user(
        [&] {
            struct stat st {};
            const bool saved = file.save(path, -1, nullptr);
            ::stat(path.c_str(), &st);
            std::fprintf(stderr, "save: %d, owner %u, group %u\n", saved, st.st_uid, st.st_gid);
            return saved && st.st_uid == 65534 && st.st_gid == 4242 &&
                   test::file_contents(path) == "two\n";
        },
        {4242}));
}

// All names of a file with hard links see the saved content: it is written into the file
// itself, not into a new file that only one name would lead to.
TEST_F(DocumentFileTest, AFileWithSeveralNamesKeepsThemAllAndAFailedSaveLosesNothing) {
    const fs::path path = at("a.txt"), other = at("b.txt");
    write_bytes(path, "old\n");
    fs::create_hard_link(path, other);
    ASSERT_TRUE(file.load(path, -1, nullptr));
    host.doc.replace("new content", 0, 3);
    ASSERT_TRUE(file.save(path, -1, nullptr));
    EXPECT_EQ(test::file_contents(other), "new content\n");
    EXPECT_EQ(fs::hard_link_count(path), 2u);
    EXPECT_TRUE(fs::equivalent(path, other));
    EXPECT_EQ(folder_names(), (std::vector<std::string>{"a.txt", "b.txt"}));
    // Shorter content is cut to its length.
    host.doc.replace("", 0, 8);
    ASSERT_TRUE(file.save(path, -1, nullptr));
    EXPECT_EQ(test::file_contents(other), "ent\n");

    // A write that fails half-way (the file may not grow beyond 1.5 MB) puts the old content
    // back under both names.
    const std::string old_bytes(1'000'000, 'o');
    write_bytes(path, old_bytes);
    ASSERT_TRUE(file.load(path, -1, nullptr));
    host.doc.replace(std::string(2'000'000, 'n'), 0, 0);
    {
        FileSizeLimit limit(1'500'000);
        EXPECT_FALSE(file.save(path, -1, nullptr));
    }
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "Cannot write to file " + path.string() + "\nFile too large");
    EXPECT_TRUE(test::file_contents(other) == old_bytes);
    EXPECT_TRUE(fs::equivalent(path, other));
    EXPECT_EQ(folder_names(), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_TRUE(file.modified());

    // So does a save cancelled after its first block went into the file.
    CancelledAfter cancelled(0);
    EXPECT_THROW(file.save(path, -1, &cancelled), JobCancelled);
    EXPECT_TRUE(test::file_contents(other) == old_bytes);
    EXPECT_EQ(folder_names(), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_FALSE(file.busy());
}

TEST_F(DocumentFileTest, SavingThroughASymbolicLinkReplacesItsTargetAndKeepsTheLink) {
    write_bytes(at("target.txt"), "old\n");
    fs::create_symlink("target.txt", at("link.txt"));
    ASSERT_TRUE(file.load(at("link.txt"), -1, nullptr));
    host.doc.replace("new", 0, 3);
    ASSERT_TRUE(file.save(at("link.txt"), -1, nullptr));
    EXPECT_TRUE(fs::is_symlink(at("link.txt")));
    EXPECT_EQ(test::file_contents(at("target.txt")), "new\n");
}

TEST_F(DocumentFileTest, DiscardingChangesAsksAndGoesOnOnlyWhenTheyAreSafe) {
    EXPECT_TRUE(file.confirm_discard(nullptr));  // nothing to lose
    EXPECT_TRUE(ui.shown.empty());

    host.doc.replace("text", 0, 0);
    ui.answers = {UiAnswer::cancel};
    EXPECT_FALSE(file.confirm_discard(nullptr));
    EXPECT_EQ(ui.shown.back().text, "Save changes to " + file.path() + " ?");
    EXPECT_EQ(ui.shown.back().buttons, UiButtons::yes_no_cancel);
    ui.answers = {UiAnswer::no};
    EXPECT_TRUE(file.confirm_discard(nullptr));

    // Yes on an untitled document: the file dialog; cancelling it keeps the document.
    ui.answers = {UiAnswer::yes};
    EXPECT_FALSE(file.confirm_discard(nullptr));
    // A save that fails must not let the document go.
    ui.answers = {UiAnswer::yes};
    ui.file_names = {(folder / "no-such-folder" / "x.xml").string()};
    EXPECT_FALSE(file.confirm_discard(nullptr));
    EXPECT_EQ(ui.shown.back().text.rfind("Cannot write to file ", 0), 0u);
    // A name without an extension gets the language's, and the file is UTF-8.
    ui.answers = {UiAnswer::yes};
    ui.file_names = {at("named").string()};
    EXPECT_TRUE(file.confirm_discard(nullptr));
    EXPECT_EQ(file.path(), at("named.xml").string());
    EXPECT_EQ(test::file_contents(at("named.xml")), "text");
}

TEST_F(DocumentFileTest, LoadFileTakesAnEncodingAfterABar) {
    write_bytes(at("a.txt"), "\xE9t\xE9");
    ASSERT_TRUE(file.load_file(at("a.txt").string() + "|0", nullptr));
    EXPECT_EQ(file.encoding(), 0);
    EXPECT_EQ(host.doc.text(), "\xC3\xA9t\xC3\xA9");
    ASSERT_TRUE(file.load_file(at("a.txt").string(), nullptr));
    EXPECT_EQ(file.encoding(), 1);
    EXPECT_EQ(host.doc.text(), "\xE9t\xE9");  // read as UTF-8: the bytes are kept as they are
}

TEST_F(DocumentFileTest, ElevenFilesAreStoredAndTenComeBack) {
    for (int i = 0; i < 11; ++i) file.recent().add("/f" + std::to_string(i));
    file.recent().add("/f3");  // moves to the front
    EXPECT_EQ(store.values.size(), 11u);
    EXPECT_EQ(store.values["File0"], "/f3");
    EXPECT_EQ(store.values["File10"], "/f0");
    RecentFiles next(&store);
    next.load();
    ASSERT_EQ(next.entries().size(), 10u);
    EXPECT_EQ(next.entries()[1], "/f10");
    EXPECT_EQ(next.entries()[9], "/f1");
    next.remove("/f10");
    EXPECT_EQ(store.values.count("File9"), 0u);
}

TEST_F(DocumentFileTest, AChangeByAnotherProgramIsNoticedOnceASecondHasPassed) {
    write_bytes(at("w.txt"), "one\n");
    host.clock = {0};
    ASSERT_TRUE(file.load(at("w.txt"), -1, nullptr));
    host.posted.clear();
    struct timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}};
    ::utimensat(AT_FDCWD, at("w.txt").c_str(), times, 0);
    host.clock = {500};
    file.check_external_change(false);
    EXPECT_TRUE(host.posted.empty());
    host.clock = {1500};
    file.check_external_change(true);  // not while a job runs
    EXPECT_TRUE(host.posted.empty());
    file.check_external_change(false);
    EXPECT_EQ(host.posted, std::vector<std::string>{"prompt_reload()"});
    host.clock = {3000};
    file.check_external_change(false);  // reported once
    EXPECT_EQ(host.posted.size(), 1u);

    ui.answers = {UiAnswer::yes};
    write_bytes(at("w.txt"), "two\n");
    EXPECT_TRUE(file.prompt_reload(nullptr));
    EXPECT_EQ(ui.shown.back().text, at("w.txt").string() +
                                        "\n\nThis file has been modified outside of the source "
                                        "editor. Do you want to reload it?");
    EXPECT_EQ(host.doc.text(), "two\n");
}

TEST(WindowTitle, NameModifiedMarkAndApplicationTitle) {
    EXPECT_EQ(window_title("", false, "Tessel"), "Tessel");
    EXPECT_EQ(window_title("/home/u/data/feed.xml", true, "Tessel"), "feed.xml * - Tessel");
    EXPECT_EQ(window_title("C:\\data\\feed.xml", false, "Tessel"), "feed.xml - Tessel");
}

}  // namespace
}  // namespace tessel

namespace tessel {
namespace {

// The copy an interrupted in-place save kept is offered before the file is read: Cancel
// leaves both for later, No keeps the file and drops the copy, Yes puts the copy back into
// every name of the file.
TEST_F(DocumentFileTest, TheCopyOfAnInterruptedSaveIsOfferedBeforeTheFileIsRead) {
    const fs::path backup = at(".a.xml.tessel-backup-Xq3Zk0");
    const auto leave_interrupted_save = [&] {
        write_bytes(at("a.xml"), "<new>half-written");
        write_bytes(backup, "<old/>\n");
    };
    leave_interrupted_save();
    fs::create_hard_link(at("a.xml"), at("b.xml"));
    const std::string b = at("b.xml");

    ui.answers = {UiAnswer::cancel};
    ASSERT_TRUE(file.load(b, kEncodingUnspecified, nullptr));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "A save of " + b + " was interrupted, and the file may be "
              "incomplete. Its content before that save is kept in " + backup.string() +
              ".\n\nRestore that content? Yes restores it, No keeps the file as it is and "
              "deletes the copy, Cancel keeps both.");
    EXPECT_EQ(host.doc.text(), "<new>half-written");
    EXPECT_TRUE(fs::exists(backup));

    ui.answers = {UiAnswer::no};
    ASSERT_TRUE(file.load(b, kEncodingUnspecified, nullptr));
    EXPECT_EQ(host.doc.text(), "<new>half-written");
    EXPECT_FALSE(fs::exists(backup));
    ASSERT_TRUE(file.load(b, kEncodingUnspecified, nullptr));
    EXPECT_EQ(ui.shown.size(), 2u);  // nothing left to offer

    leave_interrupted_save();
    ui.answers = {UiAnswer::yes};
    ASSERT_TRUE(file.load(b, kEncodingUnspecified, nullptr));
    EXPECT_EQ(host.doc.text(), "<old/>\n");
    EXPECT_EQ(test::file_contents(at("a.xml")), "<old/>\n");
    EXPECT_EQ(folder_names(), (std::vector<std::string>{"a.xml", "b.xml"}));
}

}  // namespace
}  // namespace tessel
