// corvan batch, run as a user runs it: list and FASTA files, digestion,
// engines, threads, output files and failures.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_support.hpp"
#include "corvan.h"

using namespace cli_test;

namespace {

class CliBatch : public testing::Test {
  protected:
    void SetUp() override {
        directory = scratch_directory("batch");
        list = directory + "/peptides.txt";
        write_file(list, "# mass sequence\n"
                         "799.36 PEPTIDE\n"
                         "1000.5 ELVISLIVESK\n"
                         "\n"
                         "969.47 PEPTIDE[C2H2O]K\n"
                         "2000 ACDEFGHIKLMNPQRSTVWY\n");
        fasta = directory + "/proteins.fasta";
        write_file(fasta, ">sp|P1|ONE first protein\n"
                          "MKPEPTIDERAPK\n"
                          "WK\n"
                          ">sp|P2|TWO second\n"
                          "GGGGRPAAAK*\n");
    }
    std::string directory, list, fasta;
};

TEST_F(CliBatch, OneRowPerMoleculeAndEngineInInputOrder) {
    const std::string out = directory + "/result.tsv";
    const auto r =
        run("batch " + list + " --engines fft,brain,nn --points 8 --threads 1 --out " + out);
    ASSERT_EQ(r.status, 1) << "the nn engine cannot take the modified peptide";
    const auto lines = lines_of(read_file(out));
    ASSERT_EQ(lines.size(), 1u + 4 * 3);
    EXPECT_EQ(lines[0], "id\tsequence\tgiven_mass\tmonoisotopic_mass\tengine\tstatus\tpeak_value"
                        "\tM\tM+1\tM+2\tM+3\tM+4\tM+5\tM+6\tM+7");
    const char *engines[] = {"fft", "brain", "nn"};
    const char *sequences[] = {"PEPTIDE", "ELVISLIVESK", "PEPTIDE[C2H2O]K", "ACDEFGHIKLMNPQRSTVWY"};
    for (int row = 0; row < 12; ++row) {
        const auto fields = fields_of(lines[row + 1], '\t');
        ASSERT_EQ(fields.size(), 15u) << lines[row + 1];
        EXPECT_EQ(fields[0], std::to_string(row / 3 + 1));
        EXPECT_EQ(fields[1], sequences[row / 3]);
        EXPECT_EQ(fields[4], engines[row % 3]);
        // The network sees residue counts only: a modified peptide fails.
        EXPECT_EQ(fields[5], row == 2 * 3 + 2 ? "failed" : "ok") << row;
    }
    // Checked against the library calls for one molecule.
    std::vector<float> expected(8);
    const float peak = brain_pep_seq_to_dist("PEPTIDE[C2H2O]K", expected.data(), 8, 0);
    const auto fields = fields_of(lines[2 * 3 + 2], '\t');
    EXPECT_EQ(fields[2], "969.470000");
    EXPECT_EQ(fields[3], "969.465492");
    EXPECT_NEAR(std::stod(fields[6]), peak, 1e-7);
    for (int k = 0; k < 8; ++k) EXPECT_NEAR(std::stod(fields[7 + k]), expected[k], 1e-5) << k;
}

TEST_F(CliBatch, ThreadsGiveIdenticalFiles) {
    for (const std::string &source :
         {list, fasta + " --fasta", fasta + " --fasta --digest trypsin"}) {
        const std::string one = directory + "/one.csv", two = directory + "/two.csv";
        const int status = source == list ? 1 : 0; // nn fails on the modified peptide
        ASSERT_EQ(
            run("batch " + source + " --engines fft,brain,nn --threads 1 --out " + one).status,
            status);
        ASSERT_EQ(
            run("batch " + source + " --engines fft,brain,nn --threads 2 --out " + two).status,
            status);
        const std::string text = read_file(one);
        EXPECT_GT(lines_of(text).size(), 3u);
        EXPECT_EQ(text, read_file(two)) << source;
        EXPECT_EQ(text.substr(0, 12), "id,sequence,") << "csv from the file name";
    }
}

TEST_F(CliBatch, FastaProteinsAndTrypticPeptides) {
    auto r = run("batch " + fasta + " --fasta --points 4");
    ASSERT_EQ(r.status, 0);
    auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0].rfind("id\tsequence\tmonoisotopic_mass\tengine\tstatus\tpeak_value\tM\t", 0),
              0u);
    EXPECT_EQ(lines[1].substr(0, 26), "sp|P1|ONE\tMKPEPTIDERAPKWK\t");
    EXPECT_EQ(lines[2].substr(0, 21), "sp|P2|TWO\tGGGGRPAAAK\t");

    // Cut after K or R, but not before P: MK|P stays whole, R|P too.
    r = run("batch " + fasta + " --fasta --digest trypsin --points 4");
    ASSERT_EQ(r.status, 0);
    lines = lines_of(r.out);
    std::vector<std::string> pieces;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto fields = fields_of(lines[i], '\t');
        pieces.push_back(fields[0] + " " + fields[1]);
    }
    EXPECT_EQ(pieces,
              (std::vector<std::string>{"sp|P1|ONE:1-10 MKPEPTIDER", "sp|P1|ONE:11-13 APK",
                                        "sp|P1|ONE:14-15 WK", "sp|P2|TWO:1-10 GGGGRPAAAK"}));

    r = run("batch " + fasta + " --fasta --digest trypsin --min-length 3 --max-length 9");
    EXPECT_EQ(lines_of(r.out).size(), 2u) << r.out;
    EXPECT_TRUE(holds(r.out, "\tAPK\t"));
}

TEST_F(CliBatch, CompressedFastaReadsAsThePlainFile) {
    ASSERT_EQ(std::system(("gzip -c '" + fasta + "' > '" + fasta + ".gz'").c_str()), 0);
    const auto plain = run("batch " + fasta + " --fasta --digest trypsin --engines fft,nn");
    const auto packed = run("batch " + fasta + ".gz --fasta --digest trypsin --engines fft,nn");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(packed.status, 0);
    EXPECT_EQ(plain.out, packed.out);
}

TEST_F(CliBatch, ByMassWithTheFitEngine) {
    const auto r = run("batch " + list + " --by mass --engines fit,nn --points 8");
    ASSERT_EQ(r.status, 0);
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 9u);
    std::vector<float> expected(8);
    const float peak = pep_mass_to_dist_fitting(expected.data(), 8, 0, 1000.5f);
    const auto fields = fields_of(lines[3], '\t');
    EXPECT_EQ(fields[4], "fit");
    EXPECT_NEAR(std::stod(fields[6]), peak, 1e-7);
    EXPECT_NEAR(std::stod(fields[8]), expected[1], 1e-5);
}

TEST_F(CliBatch, FailedCallsAreMarkedAndTheStatusIsOne) {
    const std::string long_list = directory + "/long.txt";
    write_file(long_list, "100 PEPTIDE\n200000 " + std::string(1001, 'G') + "\n");
    const std::string out = directory + "/long.tsv";
    const auto r = expect_exit("batch " + long_list + " --engines brain,nn --out " + out, 1,
                               "1 calculations failed");
    EXPECT_EQ(r.out.find("Sequence contains too many"), std::string::npos) << "silenced";
    EXPECT_EQ(r.out.find('\r'), std::string::npos) << "no progress bar off a terminal";
    const auto lines = lines_of(read_file(out));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(fields_of(lines[3], '\t')[5], "ok");
    EXPECT_EQ(fields_of(lines[4], '\t')[5], "failed");
}

TEST_F(CliBatch, RefusedSequencesAreSkippedWithAMessage) {
    write_file(list, "100 PEPTIDE\n200 PEPTUDE\n300 SAMPLER\n");
    const auto r =
        expect_exit("batch " + list, 0, "skipping 2: unexpected character 'U' at position 5");
    EXPECT_TRUE(holds(r.out, "\n3\tSAMPLER\t"));
    EXPECT_EQ(r.out.find("PEPTUDE\t"), std::string::npos) << r.out;
}

class CliBatchRejects : public CliBatch, public testing::WithParamInterface<BadUse> {};

TEST_P(CliBatchRejects, WithAMessageStatusAndNoFile) {
    std::string arguments = GetParam().arguments;
    for (std::size_t at; (at = arguments.find("LIST")) != std::string::npos;)
        arguments.replace(at, 4, list);
    for (std::size_t at; (at = arguments.find("FASTA")) != std::string::npos;)
        arguments.replace(at, 5, fasta);
    expect_exit("batch " + arguments + " --out " + directory + "/out.tsv", GetParam().status,
                GetParam().message);
    EXPECT_EQ(directory_listing(directory), "peptides.txt\nproteins.fasta\n");
}

INSTANTIATE_TEST_SUITE_P(
    Usage, CliBatchRejects,
    testing::Values(BadUse{"", 2, "expected exactly one list or FASTA file"},
                    BadUse{"LIST --engines fft,magic", 2, "unknown engine 'magic'"},
                    BadUse{"LIST --engines fit", 2, "fit engine does not take a sequence"},
                    BadUse{"LIST --threads 0", 2, "--threads must be a whole number"},
                    BadUse{"LIST --digest trypsin", 2, "--digest needs --fasta"},
                    BadUse{"FASTA --fasta --digest pepsin", 2, "trypsin only"},
                    BadUse{"FASTA --fasta --by mass", 2, "--by mass needs a list file"},
                    BadUse{"LIST --format xlsx", 2, "--format must be tsv or csv"},
                    BadUse{"FASTA", 2, "for a FASTA file add --fasta"},
                    BadUse{"/nonexistent/list.txt", 3, "cannot read /nonexistent/list.txt"},
                    BadUse{"/nonexistent/p.fasta.gz --fasta", 3, "cannot read"}));

TEST_F(CliBatch, HelpSaysWhichPeptidesAreKept) {
    const auto r = run("batch --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(holds_all(r.out, {"usage: corvan batch", "not before P",
                                  "Peptides of every length are kept", "examples:"}));
}

} // namespace

namespace {

// The exact engine's batch: digestion worked by hand on the fixture's
// proteins (MKPEPTIDERAPKWK, GGGGRPAAAK), modifications and charges.
TEST_F(CliBatch, DigestedIonsWithModificationsAndCharges) {
    const auto r = run("batch " + fasta +
                       " --fasta --enzyme trypsin --missed-cleavages 1 --variable Oxidation@M "
                       "--charges 2 --points 4 --threads 2");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("id\tstart\tend\tproforma\tcharge\tmonoisotopic_mz\tstatus\tfirst_k\tp0"
                          "\tp1\tp2\tp3\n",
                          0),
              0u)
        << r.out;
    for (const char *row :
         {"sp|P1|ONE\t1\t10\tMKPEPTIDER\t2\t", "sp|P1|ONE\t1\t10\tM[Oxidation]KPEPTIDER\t2\t",
          "sp|P1|ONE\t2\t10\tKPEPTIDER\t2\t", "sp|P1|ONE\t1\t13\tMKPEPTIDERAPK\t2\t",
          "sp|P1|ONE\t11\t15\tAPKWK\t2\t", "sp|P1|ONE\t14\t15\tWK\t2\t",
          "sp|P2|TWO\t1\t10\tGGGGRPAAAK\t2\t"})
        EXPECT_NE(r.out.find(row), std::string::npos) << row << "\n" << r.out;
    EXPECT_EQ(r.out.find("\tKPEP\t"), std::string::npos) << "no cut before P";
    EXPECT_EQ(r.out.find("GGGGR\t"), std::string::npos) << "no cut before P";
    EXPECT_EQ(r.out.find("\t1\t15\t"), std::string::npos) << "two missed cleavages";
    // The m/z is the library's for the same ProForma text.
    corvan_distribution *d = nullptr;
    ASSERT_EQ(corvan_distribution_from_text(CORVAN_KIND_PEPTIDE, "APK/2", nullptr, &d, nullptr),
              CORVAN_OK);
    corvan_summary s;
    corvan_distribution_summary(d, &s);
    corvan_distribution_free(d);
    char expected[64];
    std::snprintf(expected, sizeof expected, "\tAPK\t2\t%.6f\tok\t0\t1\t", s.monoisotopic_mz);
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
}

// CR-only line ends, lower case, and a '*' inside a record: the protein
// ends there and the rest is a refused row, never joined.
TEST_F(CliBatch, FastaStopsAtAStarAndReadsOldLineEnds) {
    const std::string old = directory + "/old.fasta";
    write_file(old, ">sp|P3|THREE\rmkpep*TIDEK\r>sp|P4|FOUR\rGGK\r");
    const auto r = expect_exit("batch " + old + " --fasta --engines exact --points 2", 1,
                               "sp|P3|THREE\t1\t5\tMKPEP\t0\t");
    EXPECT_TRUE(
        holds_all(r.out, {"sp|P3|THREE\t7\t11\t\t0\t\t5 residues after the '*' at residue 6",
                          "sp|P4|FOUR\t1\t3\tGGK\t0\t"}));
    EXPECT_EQ(r.out.find("MKPEPTIDEK"), std::string::npos) << r.out;
}

TEST_F(CliBatch, DigestsThroughTheLibraryAndLeavesOutAmbiguousPeptides) {
    const std::string proteins = directory + "/x.fasta";
    write_file(proteins, ">sp|P5|FIVE\nAGKPXDEKCDSEAGR\n");
    auto r = run("batch " + proteins + " --fasta --enzyme Lys-C --points 2", true);
    EXPECT_EQ(r.status, 0) << r.out; // AGKPXDEK holds an X: left out, said once
    EXPECT_TRUE(holds_all(r.out, {"left out 1 digested peptide with an ambiguous residue",
                                  "sp|P5|FIVE\t9\t15\tCDSEAGR\t0\t"}));
    r = run("batch " + proteins +
                " --fasta --enzyme Lys-C --specificity semi --min-length 6 "
                "--max-length 6 --points 2",
            true);
    EXPECT_TRUE(holds_all(r.out, {"\t10\t15\tDSEAGR\t",   // C-term end
                                  "\t9\t14\tCDSEAG\t"})); // N-term end
}

TEST_F(CliBatch, ProteinNTermSitesOnlyWhereTheProteinBegins) {
    const auto r = run("batch " + fasta +
                       " --fasta --enzyme trypsin --variable Acetyl@Protein-N-term --points 2");
    ASSERT_EQ(r.status, 0) << r.out;
    // MKPEPTIDER begins P1, KPEPTIDER too once the initiator Met is gone.
    for (const char *row : {"\t1\t10\t[Acetyl]-MKPEPTIDER\t", "\t2\t10\t[Acetyl]-KPEPTIDER\t",
                            "\t1\t10\t[Acetyl]-GGGGRPAAAK\t"})
        EXPECT_NE(r.out.find(row), std::string::npos) << row << "\n" << r.out;
    EXPECT_EQ(r.out.find("[Acetyl]-APK"), std::string::npos) << r.out; // inside P1
}

TEST_F(CliBatch, ProFormaListsReportEachFailureInItsRow) {
    const std::string proforma = directory + "/proforma.txt";
    write_file(proforma, "# ProForma\n<[Carbamidomethyl]@C>ACDK\nPEPS[+79.966]TIDE\n");
    auto r = expect_exit("batch " + proforma + " --engines exact --charges 1,3 --format csv", 1,
                         "2,,,<[Carbamidomethyl]@C>ACDK,3,");
    EXPECT_TRUE(holds_all(r.out, {"3,,,PEPS[+79.966]TIDE,1,,", "[Phospho]"}));
    r = expect_exit("batch " + fasta + " --fasta --enzyme pepsin", 2,
                    "unknown enzyme 'pepsin' (choose Trypsin");
    EXPECT_TRUE(holds(r.out, "34 in all)"));
    r = expect_exit("batch " + fasta + " --fasta --enzyme trypsin --fixed Oxidation", 2,
                    "--fixed Oxidation");
}

} // namespace
