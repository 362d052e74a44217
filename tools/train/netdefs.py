"""The twelve embedded networks: shapes, selection ranges, fixed parameters."""
from collections import OrderedDict

# kind: 'residues' (20 counts), 'bases' (4 counts), 'pepmass' / 'rnamass'
# (5 mass features).  lo/hi: selection range (residues / bases: length,
# inclusive; masses: lo <= mass < hi).  first3 / last: the fixed first three
# floats (w1 row 0, columns 0..2) and last float (last bias of b3).
# polish: the mixture of the polish stage's extra compositions
# (stress.POLISH_RECIPE).  factored: the polish stages ("polish") or the
# whole training ("all") use a first layer that sees only the atoms of the
# residue counts (train.Net).
NETS = OrderedDict()


def _add(name, kind, m, lo, hi, first3, last, **extra):
    inputs = {"residues": 20, "bases": 4, "pepmass": 5, "rnamass": 5}[kind]
    NETS[name] = dict(name=name, kind=kind, I=inputs, m=m, lo=lo, hi=hi,
                      first3=first3, last=last, **extra)


_add("corvanpep_model_16", "residues", 16, 1, 50,
     (0.21199685, 0.20539248, 0.27018204), -4.120304,
     polish=dict(homopolymers=50))
_add("corvanpep_model_64", "residues", 64, 51, 300,
     (-5.565178, -3.1325874, -4.952541), -0.6332621, harden_top=0.9,
     polish=dict(stress_top=0.9), factored="polish")
_add("corvanpep_model_128", "residues", 128, 301, 1000,
     (-5.894881, -3.9308336, -5.526976), -0.40051448, with_zero=True,
     polish=dict(stress=0.8, dominated=0.2, run_top=0.6, other_top=0.4),
     factored="polish")
_add("corvan_averagine_model8", "pepmass", 8, 0.0, 1200.0,
     (0.7319095, 0.7575122, 0.3416461), -0.95959777)
_add("corvan_averagine_model32", "pepmass", 32, 1200.0, 11000.0,
     (1.6021807, 1.3434184, 1.3691447), -0.6253897)
_add("corvan_averagine_model64", "pepmass", 64, 11000.0, 55000.0,
     (-1.6328421, -1.7176745, 0.40169084), -0.20836534)
_add("corvan_averagine_model128", "pepmass", 128, 55000.0, 120000.0,
     (1.3045207, 0.4150485, -0.30369484), -0.6463848)
_add("corvan_rnaveragine_model32", "rnamass", 32, 0.0, 24000.0,
     (1.9795315, 2.8044903, 0.17115024), -0.5032961)
_add("corvan_rnaveragine_model64", "rnamass", 64, 24000.0, 65000.0,
     (0.53069776, 0.85610634, -0.5243195), -0.33334)
_add("corvan_rnaveragine_model128", "rnamass", 128, 65000.0, 165000.0,
     (1.6363965, -0.16154292, -0.12396897), -0.45354602)
_add("corvan_rnaseq_model64", "bases", 64, 1, 200,
     (2.103833, 1.9262452, 2.179385), -0.330708)
_add("corvan_rnaseq_model128", "bases", 128, 201, 500,
     (-0.0023981987, 0.009236807, -0.005361688), -0.33729947)

SEQUENCE_KINDS = ("residues", "bases")
# accuracy goals (p99, max) for the evaluation report
GOALS = {"residues": (0.005, 0.01), "bases": (0.005, 0.01),
         "pepmass": (0.005, 0.005), "rnamass": (0.005, 0.005)}

INPUT_DESC = {
    "residues": "residue counts (20, ACDEFGHIKLMNPQRSTVWY)",
    "bases": "nucleotide counts (4, ACGU)",
    "pepmass": "peptide mass features (5)",
    "rnamass": "RNA mass features (5)",
}


def n_floats(net):
    i, m = net["I"], net["m"]
    return m * i + 2 * m * m + 3 * m


def range_desc(net):
    if net["kind"] in SEQUENCE_KINDS:
        s = "%d..%d %s" % (net["lo"], net["hi"],
                           "residues" if net["kind"] == "residues" else "nt")
        if net.get("with_zero"):
            s = "0 or " + s
        return s
    lo = "" if net["lo"] <= 0 else "%g <= " % net["lo"]
    return "%smass < %g Da" % (lo, net["hi"])
