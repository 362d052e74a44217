// What the program writes, and where: results only on standard output,
// every write checked, output files that follow links, keep their mode and
// write through to FIFOs, signals, and inputs that would be computed only
// in part.
#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_support.hpp"
#include "corvan.h"

using namespace cli_test;

namespace {

// ---- inputs the library would apply only in part ----

TEST(CliPartInputs, AreRefusedWithNothingOnStandardOutput) {
    for (const std::string arguments :
         {"peptide 'A[C2147483647]' --format csv", "peptide 'A[C2147483640]K[C10]' --format json",
          "peptide 'PEPTIDE[C20H40]K' --engine nn",
          "peptide 'PEPTIDE[C20H40]K' --engine nn --format csv"}) {
        const auto r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_EQ(r.out, "") << arguments;
    }
    const auto r = run("peptide 'PEPTIDE[C20H40]K' --engine nn", true);
    EXPECT_NE(r.out.find("nn engine sees residue counts only"), std::string::npos) << r.out;
}

TEST(CliPartInputs, BatchMarksTheNetworkRowOfAModifiedPeptideFailed) {
    const std::string directory = scratch_directory("part-batch");
    write_file(directory + "/list.txt", "1000 PEPTIDE[C20H40]K\n");
    const auto r = run("batch " + directory + "/list.txt --engines fft,nn --points 4");
    EXPECT_EQ(r.status, 1);
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(fields_of(lines[1], '\t')[5], "ok");
    EXPECT_EQ(fields_of(lines[2], '\t')[5], "failed");
}

// ---- standard output carries results only ----

TEST(CliStandardOutput, LibraryMessagesGoToStandardError) {
    const std::string long_peptide(1001, 'G');
    for (const std::string &arguments : std::vector<std::string>{
             "peptide " + long_peptide + " --engine nn --format csv",
             "peptide --mass 150000 --engine nn", "rna --mass 200000 --engine nn --format json"}) {
        const auto out_only = run(arguments);
        EXPECT_EQ(out_only.status, 1) << arguments;
        EXPECT_EQ(out_only.out, "") << arguments;
    }
    const auto both = run("peptide --mass 150000 --engine nn", true);
    EXPECT_EQ(both.out.rfind("Error: Mass outside of allowed NN mass range", 0), 0u) << both.out;
}

TEST(CliStandardOutput, WriteFailuresGiveStatusThree) {
    const std::string directory = scratch_directory("stdout");
    // Closed, and a file that may not grow (the size limit instead of a
    // full device; SIGXFSZ ignored so that the write fails with EFBIG).
    for (const std::string &script : std::vector<std::string>{
             "CORVAN rna ACGU >&-", "CORVAN peptide PEPTIDE --format json >&-", "CORVAN --help >&-",
             "trap '' XFSZ; ulimit -f 0; CORVAN peptide PEPTIDE > " + directory + "/x",
             "trap '' XFSZ; ulimit -f 0; CORVAN batch --help > " + directory + "/x"}) {
        const auto r = shell(script);
        EXPECT_EQ(r.status, 3) << script << "\n" << r.out;
        EXPECT_NE(r.out.find("cannot write the standard output"), std::string::npos) << script;
    }
}

// ---- output files ----

mode_t mode_of(const std::string &path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status.st_mode;
}

bool is_link(const std::string &path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

TEST(CliOutputTargets, ALinkKeepsPointingAtItsNewlyWrittenTarget) {
    const std::string directory = scratch_directory("links");
    std::system(("mkdir " + directory + "/sub").c_str());
    write_file(directory + "/sub/real.csv", "old");
    chmod((directory + "/sub/real.csv").c_str(), 0640);
    ASSERT_EQ(symlink("sub/real.csv", (directory + "/link.csv").c_str()), 0);
    ASSERT_EQ(symlink("link.csv", (directory + "/second.csv").c_str()), 0);
    ASSERT_EQ(symlink("sub/new.svg", (directory + "/dangling.svg").c_str()), 0);
    const auto r = run("peptide PEPTIDE --format csv --out " + directory + "/second.csv --plot " +
                       directory + "/dangling.svg");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(is_link(directory + "/link.csv"));
    EXPECT_TRUE(is_link(directory + "/second.csv"));
    EXPECT_TRUE(is_link(directory + "/dangling.svg"));
    EXPECT_NE(read_file(directory + "/sub/real.csv").find(",peak,"), std::string::npos);
    EXPECT_EQ(mode_of(directory + "/sub/real.csv") & 07777, 0640u);
    EXPECT_EQ(read_file(directory + "/sub/new.svg").rfind("<svg", 0), 0u);
    EXPECT_EQ(directory_listing(directory + "/sub"), "new.svg\nreal.csv\n");
}

TEST(CliOutputTargets, AReplacedFileKeepsItsMode) {
    const std::string directory = scratch_directory("modes");
    for (const std::string name : {"/batch.tsv", "/plot.svg"}) {
        write_file(directory + name, "old");
        chmod((directory + name).c_str(), 0604);
    }
    write_file(directory + "/list.txt", "1000 PEPTIDE\n");
    ASSERT_EQ(run("batch " + directory + "/list.txt --out " + directory + "/batch.tsv").status, 0);
    ASSERT_EQ(run("rna ACGU --plot " + directory + "/plot.svg").status, 0);
    for (const std::string name : {"/batch.tsv", "/plot.svg"}) {
        EXPECT_EQ(mode_of(directory + name) & 07777, 0604u) << name;
        EXPECT_NE(read_file(directory + name), "old") << name;
    }
}

TEST(CliOutputTargets, AFifoIsWrittenThroughNotReplaced) {
    const std::string directory = scratch_directory("fifo-out");
    const std::string fifo = directory + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The reader gives up after ten seconds should the FIFO be replaced.
    const auto r = shell("timeout 10 cat " + fifo + " > " + directory +
                         "/got & CORVAN peptide PEPTIDE --format csv --out " + fifo + "; wait");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(S_ISFIFO(mode_of(fifo)));
    EXPECT_NE(read_file(directory + "/got").find(",peak,"), std::string::npos);
    EXPECT_EQ(directory_listing(directory), "got\npipe\n");
}

TEST(CliOutputTargets, BatchFindsAnUnwritableOutBeforeComputing) {
    const std::string directory = scratch_directory("batch-out");
    write_file(directory + "/list.txt", "1000 PEPTIDE\n");
    const auto r = expect_exit("batch " + directory + "/list.txt --out " + directory + "/no/x.tsv",
                               3, "cannot write");
    EXPECT_EQ(r.out.find("molecules/s"), std::string::npos) << "nothing computed first";
}

// ---- unclear input and messages ----

TEST(CliInputFiles, FastaWithoutRecordsOrWithNulBytesIsRefused) {
    const std::string directory = scratch_directory("fasta-junk");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"", "no FASTA records"},
        {"PEPTIDEK\nSAMPLER\n", "no FASTA records"},
        {std::string("\x89PNG\r\n\x1a\n\x01\x02\xff", 11), "no FASTA records"},
        {std::string(">a\nPEP\0TIDE\n>b\nKK\n", 19), "binary data (a NUL byte) on line 2"}};
    for (const auto &[text, message] : refused) {
        write_file(directory + "/in.fasta", text);
        const auto r = run("batch " + directory + "/in.fasta --fasta", true);
        EXPECT_NE(r.status, 0) << message;
        EXPECT_NE(r.out.find(message), std::string::npos) << r.out;
    }
    write_file(directory + "/in.fasta", ">a\nPEPTIDEK\n");
    auto r = expect_exit("batch " + directory + "/in.fasta --fasta --min-length 10 --max-length 5",
                         2, "--min-length (10) is above --max-length (5)");
    // Not a regular file: a FIFO (never a device) and a directory, each
    // named for what it is.
    ASSERT_EQ(mkfifo((directory + "/pipe").c_str(), 0600), 0);
    r = shell("timeout 10 CORVAN batch " + directory + "/pipe --fasta");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("pipe: not a regular file"), std::string::npos) << r.out;
    r = run("batch " + directory + " --fasta", true);
    EXPECT_NE(r.out.find(": it is a directory"), std::string::npos) << r.out;
}

TEST(CliMessages, ABrainOverflowSaysSoAndALongSequenceIsCut) {
    const auto r = run("peptide " + std::string(40000, 'G') + " --engine brain --points 16", true);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("its recursion overflows for a molecule this large"), std::string::npos)
        << r.out.substr(0, 300);
    EXPECT_NE(r.out.find("GGGG... (40000 characters)"), std::string::npos) << r.out.substr(0, 300);
    EXPECT_LT(r.out.size(), 400u) << "the sequence is not repeated whole";
}

TEST(CliMessages, HelpStatesEachEnginesAccuracyAndPeakValue) {
    for (const std::string command : {"peptide", "rna"}) {
        const auto r = run(command + " --help");
        EXPECT_EQ(r.out.find("exact peak probabilities"), std::string::npos) << command;
        EXPECT_NE(r.out.find("about 1e-3 off"), std::string::npos) << command;
    }
    const auto r = run("peptide --help");
    EXPECT_NE(r.out.find("The peak value in the title"), std::string::npos);
    EXPECT_NE(r.out.find("raw heights, not scaled, a\n         quick estimate"), std::string::npos);
}

// ---- signals ----

class CliSignals : public testing::Test {
  protected:
    void SetUp() override {
        directory = scratch_directory("signals");
        std::string list;
        for (int i = 0; i < 400; ++i)
            list += "1000 " + std::string(3000, "ACDEFGHIKL"[i % 10]) + "\n";
        write_file(directory + "/list.txt", list);
    }
    // Starts a batch in the background, waits for its temporary file, sends
    // `signal`; the batch's exit status (128 + N for death by signal N).
    int batch_receiving(const std::string &signal, const std::string &prelude = "") {
        const auto r = shell(prelude + "CORVAN batch " + directory +
                             "/list.txt --engines brain --threads 1 --out " + directory +
                             "/out.tsv 2>/dev/null & pid=$!; "
                             "while ! ls " +
                             directory +
                             "/.out.tsv.partial-* >/dev/null 2>&1; do "
                             "kill -0 $pid 2>/dev/null || break; done; "
                             "kill -" +
                             signal + " $pid; wait $pid; echo status $?");
        const std::size_t at = r.out.rfind("status ");
        return at == std::string::npos ? -1 : std::stoi(r.out.substr(at + 7));
    }
    std::string directory;
};

TEST_F(CliSignals, ATerminatingSignalLeavesNoTemporaryFile) {
    for (const std::string signal : {"USR1", "ALRM", "TERM"}) {
        EXPECT_GT(batch_receiving(signal), 128) << signal;
        EXPECT_EQ(directory_listing(directory), "list.txt\n") << signal;
    }
}

TEST_F(CliSignals, IgnoredSignalsStayIgnored) {
    // nohup ignores SIGHUP; a background job of a script ignores SIGINT.
    for (const std::string signal : {"HUP", "INT"}) {
        EXPECT_EQ(batch_receiving(signal, "trap '' HUP; "), 0) << signal;
        EXPECT_EQ(lines_of(read_file(directory + "/out.tsv")).size(), 401u) << signal;
        std::remove((directory + "/out.tsv").c_str());
    }
}

// ---- weight files ----

TEST(CliWeightFile, AFifoIsRefusedAtOnce) {
    const std::string directory = scratch_directory("fifo-weights");
    ASSERT_EQ(mkfifo((directory + "/w.bin").c_str(), 0600), 0);
    const auto r = shell("timeout 10 CORVAN peptide PEPTIDE --weights " + directory + "/w.bin");
    EXPECT_EQ(r.status, 3) << r.out;
    EXPECT_NE(r.out.find("cannot read the weight file " + directory + "/w.bin: not a regular file"),
              std::string::npos)
        << r.out;
}

} // namespace
