// The subcommands of the program, their help texts and their entry points.
#include "commands.hpp"

#include <string>

#include "batch/batch.hpp"
#include "commands/deisotope_command.hpp"
#include "commands/distribution.hpp"
#include "commands/envelope_command.hpp"
#include "commands/fragments_command.hpp"
#include "commands/match_command.hpp"
#include "commands/molecules.hpp"
#include "commands/spectrum_command.hpp"
#include "output/envelope_output.hpp"
#include "output/result.hpp"
#include "serve/serve.hpp"

namespace cli {

namespace {

int run_formula(int argc, char **argv) {
    if (asks_for_spectrum(argc, argv))
        return run_spectrum(CORVAN_KIND_FORMULA, "formula", argc, argv);
    return run_envelope(CORVAN_KIND_FORMULA, "formula", argc, argv);
}
// The exact engine (the default) computes the real molecule through the
// library's molecule layer; the other engines are the fixed calls, each on
// its own notation and composition.
bool uses_exact_engine(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--weights" || word.rfind("--weights=", 0) == 0) return false;
        if (word == "--engine" && i + 1 < argc) return std::string(argv[i + 1]) == "exact";
        if (word.rfind("--engine=", 0) == 0) return word.substr(9) == "exact";
    }
    return true;
}

int run_peptide(int argc, char **argv) {
    if (asks_for_spectrum(argc, argv))
        return run_spectrum(CORVAN_KIND_PEPTIDE, "peptide", argc, argv);
    return uses_exact_engine(argc, argv) ? run_envelope(CORVAN_KIND_PEPTIDE, "peptide", argc, argv)
                                         : run_distribution(peptide_molecule(), argc, argv);
}
int run_rna(int argc, char **argv) {
    if (asks_for_spectrum(argc, argv)) return run_spectrum(CORVAN_KIND_RNA, "rna", argc, argv);
    return uses_exact_engine(argc, argv) ? run_envelope(CORVAN_KIND_RNA, "rna", argc, argv)
                                         : run_distribution(rna_molecule(), argc, argv);
}
int run_dna(int argc, char **argv) {
    if (asks_for_spectrum(argc, argv)) return run_spectrum(CORVAN_KIND_DNA, "dna", argc, argv);
    return run_envelope(CORVAN_KIND_DNA, "dna", argc, argv);
}

const std::string kCommonOptions =
    "  --points N     length of the distribution (default 64)\n"
    "  --offset K     row that receives the lightest peak M (default 0)\n"
    "  --format F     table (default), csv, tsv or json; csv, tsv and json carry\n"
    "                 every point, the table leaves out the tail below 1e-6\n"
    "  --all          the table shows the tail below 1e-6 too\n"
    "  --out FILE     write the output to FILE instead of standard output (in the\n"
    "                 format its ending names, .csv, .tsv or .json, without --format)\n"
    "  --plot FILE    also draw the distribution as a stick spectrum (SVG): peaks\n"
    "                 of at least 0.1% of the highest, at their mean masses when\n"
    "                 the composition is known, else by peak label\n";

std::string mass_columns_help() {
    std::string text =
        "The masses of each peak are shown when the composition is known (a formula\n"
        "or a sequence; not for --mass):\n";
    std::string meaning = kMassColumnsMeaning;
    std::string indented = "  ";
    for (char c : meaning) indented += c == '\n' ? std::string("\n  ") : std::string(1, c);
    return text + indented + "\n";
}

std::string envelope_columns_help() {
    std::string indented = "  ";
    for (const char *c = kEnvelopeColumnsMeaning; *c; ++c)
        indented += *c == '\n' ? std::string("\n  ") : std::string(1, *c);
    return indented + "\n";
}

const std::string kEnvelopeOptions =
    "  --charge Z        make an ion of charge Z (negative for anions)\n"
    "  --adduct A        what carries the charge: H+ (default; for Z < 0 protons\n"
    "                    are removed), Na+, K+, NH4+, Li+, Cl-, HCOO-, or any\n"
    "                    FORMULA:z+N (Fe:z+2); needs --charge. Its atoms keep\n"
    "                    natural abundance: labels do not apply to them\n"
    "  --label ISO=F     isotope ISO makes up the fraction F of the molecule's\n"
    "                    atoms of its element (not the adduct's), the other\n"
    "                    isotopes share the rest in natural proportions\n"
    "                    (15N=0.98, 13C=0.99, D=0.5); one per isotope, of an\n"
    "                    element the molecule has; repeatable\n"
    "  --points N        report at most the N most abundant points\n"
    "  --min-intensity F leave out points below F of the highest\n"
    "  --format F        table (default), csv, tsv or json; csv, tsv and json carry\n"
    "                    every point, the table leaves out those below 1e-6\n"
    "  --all             the table shows the points below 1e-6 too\n"
    "  --out FILE        write the output to FILE instead of standard output (in the\n"
    "                    format its ending names, .csv, .tsv or .json, without\n"
    "                    --format)\n"
    "  --plot FILE       also draw the points as a stick spectrum (SVG) at their\n"
    "                    mean masses (m/z for an ion)\n";

const std::string kFormulaHelp =
    "usage: corvan formula FORMULA [options]\n"
    "\n"
    "Isotope distribution of an elemental formula over the elements H to Mt, or\n"
    "of an ion of it, with the mean mass (and m/z) of every point. Counts may be\n"
    "negative where the total of each element stays at least 0 (C2H6O H-1);\n"
    "atoms of one isotope are written in brackets with their mass number\n"
    "([13C6]H12O6, C2[2H3]H3O). The points are computed on a grid wide enough\n"
    "for the whole distribution, so nothing folds over; points below 1e-12 of\n"
    "the whole are left out, and inner ones reported as 0. Shares are exact to\n"
    "about 1e-12.\n"
    "\n"
    "columns:\n" +
    envelope_columns_help() + "\noptions:\n" + kEnvelopeOptions +
    "  --engine exact    the engine (this command has no other)\n" + spectrum_options_help() +
    "\nexamples:\n"
    "  corvan formula C6H12O6\n"
    "  corvan formula '[13C6]H12O6' --charge 1\n"
    "  corvan formula C50H71N13O12 --charge 2 --label 15N=0.98\n"
    "  corvan formula C6H12O6 --charge 1 --adduct Na+\n"
    "  corvan formula C6500H10000N1700O2000S50 --min-intensity 1e-3\n"
    "  corvan formula SnCl2 --format json\n"
    "  corvan formula C100H160N28O30S2 --plot insulin-like.svg\n";

// What the fixed engines share, for the peptide and rna help texts.
const std::string kFixedEngineIntro =
    "\nThe fixed engines (--engine E) are the library's original calls: the\n"
    "neutral molecule without labels (--charge, --adduct, --label and\n"
    "--min-intensity are refused), heights on a grid of --points rows, divided\n"
    "by the engine's peak value so that the highest peak is 1 (when it lies\n"
    "within --points; fit: raw heights).\n";

const std::string kPeptideHelp =
    "usage: corvan peptide SEQUENCE [options]\n"
    "       corvan peptide --mass M [options]\n"
    "       corvan peptide SEQUENCE|--mass M --engine fft|brain|nn|fit [options]\n"
    "\n"
    "Isotope distribution of a peptide, or of an ion of it, with the mean mass\n"
    "(and m/z) of every point, computed by the molecule layer (the exact\n"
    "engine, the default). SEQUENCE is ProForma 2.0: one-letter residues,\n"
    "modifications by Unimod name or accession, or formulas with isotopes, in\n"
    "brackets (EM[Oxidation]EVEES[Phospho]PEK, PEPTIDE[Formula:C2H2O]K), terminal\n"
    "and fixed modifications (<[Carbamidomethyl]@C>ACDK), global isotope labels\n"
    "(<13C>PEPTIDE) and the charge suffix (PEPTIDE/2). A mass-only modification\n"
    "is refused with the Unimod entries that match it. By mass (daltons) the\n"
    "peptide is the averagine residue, scaled continuously.\n"
    "\n"
    "columns:\n" +
    envelope_columns_help() + "\noptions:\n" +
    "  --mass M          peptide average mass in daltons instead of a sequence\n" +
    kEnvelopeOptions + "  --engine E        exact (default), or a fixed engine below\n" +
    kFixedEngineIntro +
    "SEQUENCE for them: the residues ACDEFGHIKLMNPQRSTVWY and formulas over C, H,\n"
    "N, O and S in brackets, added where they stand (PEPTIDE[C2H2O]K); the\n"
    "composition is the residues, the modifications and one water.\n"
    "\n" +
    mass_columns_help() +
    "\nfixed engines (difference from the exact relative heights, median/max\n"
    "over E. coli tryptic peptides; peptides per second on one thread):\n"
    "  fft    Fourier transform of the element patterns; 3e-8/1e-7; 120,000/s\n"
    "  brain  polynomial roots; about 1e-3 off (stored roots and nitrogen\n"
    "         shares): 5e-4/1.1e-3; 110,000/s\n"
    "  nn     embedded neural network (up to 1000 residues, below 120000 Da);\n"
    "         8e-4/5e-3; 320,000/s; no modifications (it sees residue counts)\n"
    "  fit    model of the mass alone (--mass only): raw heights, not scaled, a\n"
    "         quick estimate; 5e-2/0.18\n"
    "The peak value in the title: fft and brain: the share of the whole\n"
    "distribution in its highest peak; nn: the highest network output; fit:\n"
    "the largest model height. README.md has the table and how it was measured.\n"
    "\n"
    "fixed-engine options:\n"
    "  --engine E     fft, brain, nn or fit\n"
    "  --mass M       peptide mass in daltons instead of a sequence\n"
    "  --weights FILE your own network for the nn engine (implies --engine nn):\n"
    "                 a weight file of 20 inputs (by sequence: residue counts in\n"
    "                 the order ACDEFGHIKLMNPQRSTVWY) or 5 inputs (by mass) and n\n"
    "                 units per layer; --points defaults to, and must equal, n\n" +
    kCommonOptions + spectrum_options_help() +
    "\nexamples:\n"
    "  corvan peptide 'EM[Oxidation]EVEES[Phospho]PEK/2'\n"
    "  corvan peptide PEPTIDEK --charge 2 --label 15N=0.98\n"
    "  corvan peptide --mass 1450 --charge 2\n"
    "  corvan peptide 'PEPTIDE[C2H2O]K' --plot peptide.svg\n"
    "  corvan peptide SAMPLER --charge 1 --out sampler.csv\n"
    "  corvan peptide ACDEFGHIK --engine brain --points 16\n"
    "  corvan peptide --mass 25000 --engine fit --points 40\n"
    "  corvan peptide ELVISLIVESK --weights my-network-64.bin\n";

const std::string kRnaHelp =
    "usage: corvan rna SEQUENCE [options]\n"
    "       corvan rna --mass M [options]\n"
    "       corvan rna SEQUENCE|--mass M --engine fft|brain|nn [options]\n"
    "\n"
    "Isotope distribution of a linear RNA chain, or of an ion of it, with the\n"
    "mean mass (and m/z) of every point, computed by the molecule layer (the\n"
    "exact engine, the default). SEQUENCE uses A, C, G and U joined by\n"
    "phosphodiester bonds, 5'-OH and 3'-OH; 'p-', 'pp-' or 'ppp-' before it\n"
    "adds a 5'-phosphate, '-p' or '>p' after it a 3'-phosphate; modified\n"
    "nucleosides in brackets ([m6A], [Psi]). By mass the RNA is the average\n"
    "nucleotide residue, scaled continuously.\n"
    "\n"
    "columns:\n" +
    envelope_columns_help() + "\noptions:\n" +
    "  --mass M          RNA average mass in daltons instead of a sequence\n" + kEnvelopeOptions +
    "  --engine E        exact (default), or a fixed engine below\n" + kFixedEngineIntro +
    "SEQUENCE for them: the upper-case letters A, C, G and U; the composition\n"
    "is the sum of the library's nucleotide rows (C, H, N and O; no\n"
    "phosphorus, no chain ends), and the masses are those of that composition.\n"
    "\n" +
    mass_columns_help() +
    "\nfixed engines (as for peptides; see corvan peptide --help and README.md):\n"
    "  fft    Fourier transform of the element patterns\n"
    "  brain  polynomial roots; about 1e-3 off the exact heights\n"
    "  nn     embedded neural network (up to 500 nucleotides, below 165000 Da)\n"
    "\n"
    "fixed-engine options:\n"
    "  --engine E     fft, brain or nn\n"
    "  --mass M       RNA mass in daltons instead of a sequence\n"
    "  --weights FILE your own network for the nn engine (implies --engine nn):\n"
    "                 4 inputs (A, C, G, U counts) by sequence, 5 by mass, n\n"
    "                 units per layer; --points defaults to, and must equal, n\n" +
    kCommonOptions + spectrum_options_help() +
    "\nexamples:\n"
    "  corvan rna ACGUACGU\n"
    "  corvan rna p-ACGU[m6A]CGU --charge -3\n"
    "  corvan rna --mass 8000 --charge -4 --format json\n"
    "  corvan rna GGCUAGCUAGCC --engine brain --offset 2\n"
    "  corvan rna --mass 30000 --engine nn --points 80\n"
    "  corvan rna ACGUACGU --engine fft --format tsv\n";

const std::string kDnaHelp =
    "usage: corvan dna SEQUENCE [options]\n"
    "       corvan dna --mass M [options]\n"
    "\n"
    "Isotope distribution of a linear DNA chain (or an ion of it) with the mean\n"
    "mass and m/z of every point, computed exactly by the molecule layer.\n"
    "SEQUENCE uses A, C, G and T (2'-deoxynucleosides, upper case) joined by\n"
    "phosphodiester bonds, 5'-OH and 3'-OH; 'p-', 'pp-' or 'ppp-' before it\n"
    "adds a 5'-phosphate, '-p' after it a 3'-phosphate; modified nucleosides\n"
    "in brackets: [m5C] [hm5C] [m6A] [oxo8G] [U] [I]. By mass the DNA is the\n"
    "average deoxynucleotide residue C9.75 H12.25 N3.75 O6 P, scaled\n"
    "continuously.\n"
    "\n"
    "columns:\n" +
    envelope_columns_help() + "\noptions:\n" +
    "  --mass M          DNA average mass in daltons instead of a sequence\n" + kEnvelopeOptions +
    "  --engine exact    the engine (this command has no other)\n" + spectrum_options_help() +
    "\nexamples:\n"
    "  corvan dna ACGTACGT\n"
    "  corvan dna p-ACGTACGT --charge -3\n"
    "  corvan dna --mass 12000 --charge -10 --format csv\n";

const std::string kBatchHelp =
    "usage: corvan batch LIST [options]\n"
    "       corvan batch PROTEINS.fasta[.gz] --fasta [--digest trypsin] [options]\n"
    "\n"
    "Distributions of many molecules with one or more engines, one row per\n"
    "molecule and engine, in input order, as TSV or CSV.\n"
    "\n"
    "LIST is a list file: one mass (daltons) and one sequence per line, '#'\n"
    "starts a comment. With --fasta the file is FASTA (a name ending in .gz,\n"
    "or gzip content, is decompressed through 'gzip -dc'); each protein is one\n"
    "molecule, or with --digest trypsin each tryptic peptide (cut after K or R,\n"
    "not before P; no missed cleavages). Peptides of every length are kept\n"
    "unless --min-length/--max-length say otherwise. Sequences the peptide or\n"
    "rna command would refuse (such as U or X in a protein) are skipped with a\n"
    "message.\n"
    "\n"
    "Columns: id (list: entry number; FASTA: accession, with :first-last\n"
    "residue for peptides), sequence, given_mass (list files), monoisotopic_mass\n"
    "(of the sequence's composition), engine, status (ok or failed),\n"
    "peak_value (what the library call returned), then M, M+1, ... scaled to\n"
    "the highest peak 1.\n"
    "\n"
    "options:\n"
    "  --fasta            the file is FASTA, not a list file\n"
    "  --digest trypsin   cut the proteins into tryptic peptides\n"
    "  --min-length N     keep molecules of at least N residues (default 1)\n"
    "  --max-length N     keep molecules of at most N residues (default: any)\n"
    "  --molecule KIND    peptide (default) or rna\n"
    "  --engines LIST     comma-separated engines, e.g. fft,brain,nn (default fft)\n"
    "  --by sequence|mass compute from the sequences (default) or from the list\n"
    "                     file's masses (then the fit engine is available too)\n"
    "  --points N         peaks per row (default 16)\n"
    "  --threads N        worker threads (default: the number of cores)\n"
    "  --out FILE         result file (default standard output); written whole\n"
    "                     or not at all\n"
    "  --format tsv|csv   default: csv for a FILE ending in .csv, else tsv\n"
    "\n"
    "A progress bar appears on standard error when it is a terminal; the\n"
    "speed is reported there at the end. Exit status 1 when any calculation\n"
    "failed (the result file is still complete; such rows say 'failed'; the nn\n"
    "engine fails on modified peptides, as it sees residue counts only).\n"
    "\n"
    "With the exact engine (chosen by any of the options below) each row is one\n"
    "ion of a ProForma peptide: from a list file of one ProForma text per line,\n"
    "or from --fasta proteins, digested with --enzyme. Columns: id (entry\n"
    "number or accession), start and end (residues in the protein), proforma,\n"
    "charge, monoisotopic_mz (mass at charge 0), status (ok or the library's\n"
    "message), first_k, then p0, p1, ...: heights of M+first_k, M+first_k+1,\n"
    "... (each row's window holds its most abundant point, height 1).\n"
    "  --engines exact     ProForma from a list file (also --proforma)\n"
    "  --enzyme E          a protease of OpenMS's table: Trypsin, Trypsin/P, Lys-C,\n"
    "                      Lys-C/P, Lys-N, Arg-C, Asp-N, Glu-C, Chymotrypsin, PepsinA,\n"
    "                      CNBr, TrypChymo, 'leukocyte elastase', ... (any case; an\n"
    "                      unknown name lists them all); both forms when a protein\n"
    "                      starts with M\n"
    "  --specificity S     full (default: both ends at cleavage sites), semi (one\n"
    "                      end suffices) or unspecific (any piece)\n"
    "  --missed-cleavages N  up to N missed sites (default 0)\n"
    "  --fixed NAME@SITES  fixed modification (Carbamidomethyl@C); repeatable\n"
    "  --variable NAME@SITES variable modification (Oxidation@M, Phospho@STY,\n"
    "                      Acetyl@N-term: every peptide's; Acetyl@Protein-N-term:\n"
    "                      the protein's own first residue, or its second after the\n"
    "                      initiator Met); repeatable\n"
    "  --max-mods N        at most N variable modifications per peptide (default 2)\n"
    "  --charges LIST      charges such as 2, 2-4 or 1,3 (default 0: neutral)\n"
    "\n"
    "examples:\n"
    "  corvan batch peptides.txt --engines fft,brain,nn --out peptides.tsv\n"
    "  corvan batch proteome.fasta.gz --fasta --enzyme trypsin --missed-cleavages 1 \\\n"
    "      --fixed Carbamidomethyl@C --variable Oxidation@M --charges 2-4 \\\n"
    "      --min-length 7 --max-length 30 --out ions.tsv\n"
    "  corvan batch proforma.txt --engines exact --charges 2\n"
    "  corvan batch peptides.txt --by mass --engines fft,fit --out masses.csv\n"
    "  corvan batch proteome.fasta.gz --fasta --digest trypsin --min-length 7 \\\n"
    "      --max-length 40 --engines fft,nn --threads 2 --out tryptic.tsv\n";

} // namespace

const std::vector<Command> &commands() {
    static const std::vector<Command> table = {
        {"formula", "isotope distribution of an elemental formula", kFormulaHelp, run_formula},
        {"peptide", "isotope distribution of a peptide, by sequence or mass", kPeptideHelp,
         run_peptide},
        {"rna", "isotope distribution of an RNA, by sequence or mass", kRnaHelp, run_rna},
        {"dna", "isotope distribution of a DNA, by sequence or mass", kDnaHelp, run_dna},
        {"batch", "many molecules from a list or FASTA file into a TSV/CSV file", kBatchHelp,
         run_batch},
        {"fragments", "fragment ions and their envelopes, given the isolated precursor",
         kFragmentsHelp, run_fragments},
        {"serve", "a local web page and JSON API for isotope envelopes", kServeHelp, run_serve},
        {"match", "find, score and fit a molecule's envelope in mzML or peak lists", match_help(),
         run_match},
        {"deisotope", "the isotope envelopes of centroided scans", deisotope_help(), run_deisotope},
    };
    return table;
}

} // namespace cli
