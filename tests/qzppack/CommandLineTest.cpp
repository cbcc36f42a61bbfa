// QzpPack's command line: every form of the usage, and the usage errors.
#include "qzppack/CommandLine.h"
#include "qzppack/ProgressLine.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace tavrix::qzppack {
namespace {

Command parsed(const std::vector<std::string>& args) {
    Parsed p = parseCommandLine(args);
    EXPECT_TRUE(p.command) << p.error;
    return p.command.value_or(Command{});
}

TEST(CommandLine, AddTakesItsOptionsBeforeTheArchive) {
    Command c =
        parsed({"add", "-r", "-l", "6", "-pSecret", "-C", "addon dir", "Setup.qzp", "*.*", "b\\*.cfg"});
    EXPECT_EQ(c.verb, Verb::Add);
    EXPECT_TRUE(c.recurse);
    EXPECT_EQ(c.level, 6);
    EXPECT_TRUE(c.encrypt);
    EXPECT_EQ(c.password, "Secret");
    EXPECT_EQ(c.folder, "addon dir");
    EXPECT_EQ(c.archive, "Setup.qzp");
    EXPECT_EQ(c.patterns, (std::vector<std::string>{"*.*", "b\\*.cfg"}));

    Command attached = parsed({"add", "-l0", "-CC:\\src", "-p", "a.zip", "x"});
    EXPECT_EQ(attached.level, 0);
    EXPECT_EQ(attached.folder, "C:\\src");
    EXPECT_TRUE(attached.encrypt);
    EXPECT_EQ(attached.password, "");  // asked for
    EXPECT_FALSE(attached.recurse);

    Command plain = parsed({"add", "a.zip", "x"});
    EXPECT_FALSE(plain.level);
    EXPECT_FALSE(plain.encrypt);
    // After the archive every argument is a pattern, even one like an option.
    EXPECT_EQ(parsed({"add", "a.zip", "-r"}).patterns, std::vector<std::string>{"-r"});
    EXPECT_EQ(parsed({"add", "--", "-odd.zip", "x"}).archive, "-odd.zip");
}

TEST(CommandLine, OtherCommandsReadTheirArguments) {
    Command del = parsed({"delete", "a.zip", "x", "y"});
    EXPECT_EQ(del.verb, Verb::Delete);
    EXPECT_EQ(del.patterns.size(), 2u);
    EXPECT_EQ(parsed({"list", "a.zip"}).verb, Verb::List);
    EXPECT_EQ(parsed({"test", "a.zip"}).verb, Verb::Test);
    const Command sfx = parsed({"sfx", "Setup.zip"});
    EXPECT_EQ(sfx.verb, Verb::Sfx);
    EXPECT_EQ(sfx.archive, "Setup.zip");
    EXPECT_EQ(parsed({"unsfx", "Setup.exe"}).verb, Verb::Unsfx);
    const Command check = parsed({"check", "C:\\My Addon\\package"});
    EXPECT_EQ(check.verb, Verb::Check);
    EXPECT_EQ(check.archive, "C:\\My Addon\\package");

    Command ex = parsed({"extract", "-o", "-pPw", "a.zip", "C:\\out", "docs\\*"});
    EXPECT_EQ(ex.verb, Verb::Extract);
    EXPECT_TRUE(ex.overwrite);
    EXPECT_EQ(ex.password, "Pw");
    EXPECT_EQ(ex.extractTo, "C:\\out");
    EXPECT_EQ(ex.patterns, std::vector<std::string>{"docs\\*"});
    EXPECT_TRUE(parsed({"extract", "a.zip", "out"}).patterns.empty());

    for (const char* help : {"--help", "-h", "/?", "help"})
        EXPECT_EQ(parsed({help}).verb, Verb::Help) << help;
    EXPECT_EQ(parsed({"add", "--help"}).verb, Verb::Help);
}

TEST(CommandLine, UsageErrorsSayWhy) {
    struct Case {
        std::vector<std::string> args;
        const char* why;
    };
    const Case cases[] = {
        {{}, "no command given"},
        {{"pack", "a.zip"}, "unknown command \"pack\""},
        {{"add", "a.zip"}, "no file pattern given"},
        {{"add"}, "no archive given"},
        {{"add", "-x", "a.zip", "b"}, "\"-x\" is not an option of add"},
        {{"add", "-o", "a.zip", "b"}, "\"-o\" is not an option of add"},
        {{"extract", "-r", "a.zip", "o"}, "\"-r\" is not an option of extract"},
        {{"add", "-l", "10", "a.zip", "b"}, "compression level \"10\" is not 0 to 9"},
        {{"add", "-lx", "a.zip", "b"}, "compression level \"x\" is not 0 to 9"},
        {{"add", "-l"}, "-l needs a compression level from 0 to 9"},
        {{"add", "-C"}, "-C needs a folder"},
        {{"add", "-rq", "a.zip", "b"}, "\"-rq\" takes no value"},
        {{"delete", "a.zip"}, "no file pattern given"},
        {{"list"}, "no archive given"},
        {{"list", "a.zip", "b"}, "too many arguments for list"},
        {{"test", "a.zip", "b"}, "too many arguments for test"},
        {{"delete", "-p", "a.zip", "b"}, "\"-p\" is not an option of delete"},
        {{"extract", "a.zip"}, "no folder to extract into given"},
        {{"list", ""}, "the archive's name is empty"},
        {{"sfx"}, "no archive given"},
        {{"check"}, "no package folder given"},
        {{"check", ""}, "the folder's name is empty"},
        {{"check", "-r", "pkg"}, "\"-r\" is not an option of check"},
        {{"check", "a", "b"}, "too many arguments for check"},
        {{"sfx", "a.zip", "b.exe"}, "too many arguments for sfx"},
        {{"unsfx", "-o", "a.exe"}, "\"-o\" is not an option of unsfx"},
        {{"add", "--span"}, "--span needs a volume size"},
        {{"add", "--span", "10G", "a.zip", "b"},
         "volume size \"10G\" is not a number of bytes (K or M may follow)"},
        {{"add", "--span=0", "a.zip", "b"}, "volume size \"0\" is not a number of bytes (K or M may follow)"},
        {{"list", "--span", "100", "a.zip"}, "\"--span\" is not an option of list"},
    };
    for (const Case& c : cases) {
        const Parsed p = parseCommandLine(c.args);
        EXPECT_FALSE(p.command) << c.why;
        EXPECT_EQ(p.error, c.why);
    }
}

// Help is an option: it counts where options are read, before the archive
// and before "--"; after them "-h" and "--help" are names like any other.
TEST(CommandLine, HelpCountsOnlyWhereOptionsAreRead) {
    struct Case {
        std::vector<std::string> args;
        const char* archive;
        std::vector<std::string> patterns;
    };
    const Case cases[] = {
        {{"add", "a.zip", "-h"}, "a.zip", {"-h"}},
        {{"add", "-r", "a.zip", "x", "--help"}, "a.zip", {"x", "--help"}},
        {{"delete", "a.zip", "--help"}, "a.zip", {"--help"}},
        {{"extract", "a.zip", "out", "-h"}, "a.zip", {"-h"}},
        {{"add", "--", "--help", "x"}, "--help", {"x"}},
        {{"delete", "--", "-h", "x"}, "-h", {"x"}},
    };
    for (const Case& c : cases) {
        const Command command = parsed(c.args);
        EXPECT_NE(command.verb, Verb::Help) << c.args.back();
        EXPECT_EQ(command.archive, c.archive);
        EXPECT_EQ(command.patterns, c.patterns);
    }
    for (const std::vector<std::string>& help :
         {std::vector<std::string>{"add", "-r", "--help"},
          std::vector<std::string>{"extract", "-o", "-h", "a.zip"}, std::vector<std::string>{"list", "-h"}})
        EXPECT_EQ(parsed(help).verb, Verb::Help) << help[0];
}

TEST(CommandLine, SpanTakesAVolumeSizeInBytesKilobytesOrMegabytes) {
    EXPECT_EQ(parsed({"add", "--span", "100000", "set.zip", "*.*"}).spanSize, 100000);
    EXPECT_EQ(parsed({"add", "--span=1440K", "-r", "set.zip", "*.*"}).spanSize, 1440 * 1024);
    EXPECT_EQ(parsed({"add", "--span", "10m", "set.zip", "*.*"}).spanSize, 10 * 1024 * 1024);
    EXPECT_TRUE(parsed({"add", "--span", "10m", "set.zip", "*.*"}).recurse == false);
    EXPECT_FALSE(parsed({"add", "set.zip", "*.*"}).spanSize);
    EXPECT_EQ(spanSizeOf("2147483647"), 2147483647L);
    for (const char* bad : {"2147483648", "2048M", "", "K", "12KB", "-5", "1.5M"})
        EXPECT_FALSE(spanSizeOf(bad)) << bad;
}

TEST(CommandLine, HelpShowsTheUsageAndExamples) {
    const std::string help = helpText();
    EXPECT_NE(help.find(usageText()), std::string::npos);
    EXPECT_NE(help.find("Examples:"), std::string::npos);
    EXPECT_NE(help.find("QzpPack add -r -C addon Setup.qzp *.*"), std::string::npos);
}

// ---- The progress line ----

class ProgressLineTest : public ::testing::Test {
protected:
    ProgressLineTest() : out(std::tmpfile()), line(out) {}
    ~ProgressLineTest() override { std::fclose(out); }
    std::string written() {
        std::fflush(out);
        std::rewind(out);
        std::string text;
        for (int ch; (ch = std::fgetc(out)) != EOF;) text += static_cast<char>(ch);
        return text;
    }
    std::FILE* out;
    ProgressLine line;
};

TEST_F(ProgressLineTest, ShortWorkShowsNothing) {
    line.batch(1000, 0);
    line.file("a.txt", 10);
    line.advance(1000, 900);
    line.finish();
    EXPECT_EQ(written(), "");
}

TEST_F(ProgressLineTest, LongWorkRewritesOneLineAndEndsIt) {
    line.batch(1000, 0);
    line.file("a long name.bin", 1200);
    line.advance(500, 1300);  // too soon after the last drawing
    line.advance(250, 1500);
    line.file("b", 1800);
    line.finish();
    EXPECT_EQ(written(), "\r0% a long name.bin\r75% a long name.bin\r75% b              \r75% b\n");
}

TEST_F(ProgressLineTest, LongNamesKeepTheirEndAndPercentStopsAtAHundred) {
    line.batch(10, 0);
    line.file(std::string(100, 'x') + "tail.bin", 0);
    line.advance(25, 0);
    EXPECT_EQ(line.text(), "100% ..." + std::string(49, 'x') + "tail.bin");
    line.batch(0, 0);
    EXPECT_EQ(line.text().substr(0, 5), "100% ");
}

}  // namespace
}  // namespace tavrix::qzppack
