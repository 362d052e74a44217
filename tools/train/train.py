"""Train corvan's embedded isotope-pattern networks and write their blobs.

    /usr/bin/python3 tools/train/train.py --all
    /usr/bin/python3 tools/train/train.py --net corvanpep_model_16 [--net ...]

Deterministic given the fixed seeds (single CPU thread).  Each blob is
checked after writing (size, fixed values, |param| < 20).  Training time
and sample counts go to tools/train/train_log.json.
"""
import argparse
import fcntl
import json
import math
from collections import namedtuple
import os
import sys
import time

import numpy as np
import torch

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import blob                     # noqa: E402
import data                     # noqa: E402
import reference as R           # noqa: E402
from netdefs import NETS        # noqa: E402

LOG_PATH = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                        "train_log.json")
CLAMP = 19.9
# The library divides network outputs by their maximum, so the networks are
# trained on targets scaled to peak TARGET_PEAK < 1: this keeps the sigmoid
# outputs near the peak out of saturation, where they learn very slowly.
TARGET_PEAK = 0.6

# Optimisation schedule per network: list of phases
# (steps, batch, lr_start, lr_end, loss) with a cosine learning-rate decay;
# loss 'mse', 'max' (mse plus mean per-molecule squared max error) or
# 'lbfgs' (experimental: float64 L-BFGS, steps = iterations, batch = subset
# size; bounds are only enforced every 100 iterations, which hurts networks
# whose first-layer weights sit at the bound).  DEFAULT_PLAN is a quick
# schedule for networks without an entry in PLANS.
DEFAULT_PLAN = [(6000, 256, 3e-3, 3e-4, "mse"),
                (6000, 1024, 1e-3, 1e-5, "max")]


def _plan(mse_steps, max_steps):
    return [(mse_steps, 512, 3e-3, 3e-4, "mse"),
            (max_steps, 1024, 3e-4, 1e-5, "max")]


def _hardened(mse_steps, max_steps, mine_steps):
    return _plan(mse_steps, max_steps) + [
        (mine_steps, 1024, 3e-4, 1e-5, "mine")]


# Networks trained on extra stress compositions (stress.py, training
# proteins): number of such samples added to the training set.
HARDEN = {
    "corvanpep_model_64": 60000,
    "corvanpep_model_128": 60000,
    "corvan_averagine_model8": 20000,
    "corvan_rnaveragine_model32": 20000,
    "corvan_rnaseq_model128": 60000,
}

# Polish stages (networks listed here): after its plan a network goes
# through its stages in order; each starts a fresh Adam (batches from the
# same seed) from the previous blob exactly as written and trains on the
# plan's set plus n extra compositions (stress.residue_polish on training
# proteins, mixture in netdefs.py).  'nmax' phases sharpen the bulk on the
# peak-scaled heights, 'tail' phases go after the worst molecules.
Stage = namedtuple("Stage", "n phases tail_weight tail_mined tail_cap",
                   defaults=(0.0, 0.0, 0.05))


def _sharpen(n):
    """First polish stage: 'max', then 'nmax' on the plan's blob."""
    return Stage(n, [(20000, 1024, 3e-5, 3e-6, "max"),
                     (20000, 1024, 3e-5, 3e-7, "nmax")])


def _tail(n, weight, mined, lr=(3e-5, 3e-7)):
    """A 30000-step 'tail' stage, errors capped at 0.03."""
    return Stage(n, [(30000, 1024, lr[0], lr[1], "tail")], weight, mined,
                 0.03)


POLISH = {
    "corvanpep_model_16": [
        Stage(20000, [(60000, 1024, 5e-5, 5e-7, "nmax")]),
        _tail(20000, 0.25, 0.0)],
    "corvanpep_model_64": [
        _sharpen(30000), _tail(30000, 0.5, 0.5), _tail(30000, 1.0, 0.5),
        _tail(30000, 1.0, 0.5)],
    "corvanpep_model_128": [
        _sharpen(120000), _tail(120000, 0.5, 0.0), _tail(120000, 1.0, 0.0),
        _tail(120000, 2.0, 0.0), _tail(120000, 2.0, 0.0, (1e-4, 1e-6)),
        _tail(120000, 2.0, 0.0, (1e-4, 1e-6))],
}
# 'tail' loss: 'nmax' plus weight * s^2 * mean((e / s)^TAIL_POWER) over the
# batch, e = evaluation error of a molecule capped at the stage's tail_cap,
# s = TAIL_SCALE; the stage's tail_mined share of each batch is drawn by
# current error
TAIL_SCALE = 0.006
TAIL_POWER = 4
TAIL_WARMUP = 500   # steps of linear learning-rate warm-up (fresh Adam)

# all twelve take about an hour of one CPU thread with OpenBLAS
PLANS = {
    "corvanpep_model_16": _plan(100000, 60000),
    "corvanpep_model_64": _hardened(40000, 20000, 40000),
    "corvanpep_model_128": _hardened(24000, 12000, 40000),
    "corvan_averagine_model8": _hardened(15000, 8000, 8000),
    "corvan_averagine_model32": _plan(30000, 15000),
    "corvan_averagine_model64": _plan(25000, 15000),
    "corvan_averagine_model128": _plan(14000, 8000),
    "corvan_rnaveragine_model32": _hardened(45000, 20000, 30000),
    "corvan_rnaveragine_model64": _plan(25000, 15000),
    "corvan_rnaveragine_model128": _plan(14000, 8000),
    "corvan_rnaseq_model64": _plan(100000, 60000),
    "corvan_rnaseq_model128": _hardened(14000, 8000, 20000),
}


class Net(torch.nn.Module):
    """Three dense layers; the first one acts on standardised inputs
    (x - mu) / s, which is folded back into w1, b1 when exporting.

    With a `basis` (I x F: the atoms of each input unit) the first layer
    sees only the F atom counts x @ basis: a residue-count network whose
    first layer factors through the elemental composition (the only thing
    the isotope pattern depends on) cannot learn residue-specific shortcuts
    that fail on compositions unlike the training proteins.  The export
    multiplies the factors out, so the blob's shape is unchanged."""

    def __init__(self, net, mu, s, basis=None):
        super().__init__()
        i, m = net["I"], net["m"]
        self.net = net
        self.factored = basis is not None
        if self.factored:
            self.register_buffer("basis",
                                 torch.tensor(basis, dtype=torch.float32))
            i = basis.shape[1]
        self.register_buffer("mu", torch.tensor(mu, dtype=torch.float32))
        self.register_buffer("s", torch.tensor(s, dtype=torch.float32))
        self.l1 = torch.nn.Linear(i, m)
        self.l2 = torch.nn.Linear(m, m)
        self.l3 = torch.nn.Linear(m, m)
        if self.factored:
            # the fixed first three weights of unit 0 are three linear
            # conditions on that unit's atom weights (scaled coordinates)
            a = (self.basis[:3] / self.s).double()
            self.register_buffer("fix_a", a)
            self.register_buffer("fix_pinv", torch.linalg.pinv(a))

    def features(self, x):
        return x @ self.basis if self.factored else x

    def effective(self):
        w = self.l1.weight / self.s
        b1 = self.l1.bias - w @ self.mu
        return (w @ self.basis.T if self.factored else w), b1

    def forward(self, x):
        z = (self.features(x) - self.mu) / self.s
        h = torch.nn.functional.softsign(self.l1(z))
        h = torch.nn.functional.softsign(self.l2(h))
        return torch.sigmoid(self.l3(h))

    @torch.no_grad()
    def project(self):
        """Clamp every exported parameter and restore the fixed values."""
        if self.factored:
            self._project_factored()
        else:
            w1, b1 = self.effective()
            w1 = w1.clamp(-CLAMP, CLAMP)
            b1 = b1.clamp(-CLAMP, CLAMP)
            w1[0, :3] = torch.tensor(self.net["first3"], dtype=torch.float32)
            self.l1.weight.copy_(w1 * self.s)
            self.l1.bias.copy_(b1 + w1 @ self.mu)
        for p in (self.l2.weight, self.l2.bias, self.l3.weight, self.l3.bias):
            p.clamp_(-CLAMP, CLAMP)
        self.l3.bias[-1] = self.net["last"]

    def _project_factored(self):
        w = self.l1.weight
        # unit 0: nearest weights meeting the fixed first three values
        w0 = w[0].double()
        fixed = torch.tensor(self.net["first3"], dtype=torch.float64)
        w0 = w0 - self.fix_pinv @ (self.fix_a @ w0 - fixed)
        w[0] = w0.float()
        # shrink a unit whose multiplied-out weights leave the bound
        big = ((w / self.s) @ self.basis.T).abs().amax(dim=1)
        shrink = (CLAMP / big).clamp(max=1.0)
        shrink[0] = 1.0
        w.mul_(shrink[:, None])
        b1 = (self.l1.bias - (w / self.s) @ self.mu).clamp(-CLAMP, CLAMP)
        self.l1.bias.copy_(b1 + (w / self.s) @ self.mu)

    def zero_fixed_grads(self):
        g = self.l1.weight.grad
        if g is not None:
            if self.factored:
                g0 = g[0].double()
                g[0] = (g0 - self.fix_pinv @ (self.fix_a @ g0)).float()
            else:
                g[0, :3] = 0
        if self.l3.bias.grad is not None:
            self.l3.bias.grad[-1] = 0

    @torch.no_grad()
    def export(self):
        w1, b1 = self.effective()
        parts = [w1, b1, self.l2.weight, self.l2.bias,
                 self.l3.weight, self.l3.bias]
        flat = blob.pack(self.net["name"], *[p.numpy() for p in parts])
        return np.clip(flat, -CLAMP, CLAMP)


def loss_fn(kind, out, y, stage=None):
    e2 = (out - y) ** 2
    if kind == "mse":
        return e2.mean()
    if kind in ("max", "mine"):
        return e2.mean() + e2.max(dim=1).values.mean()
    if kind in ("nmax", "tail"):
        # 'max' on the peak-scaled heights, the quantity the library
        # reports: the common scale of the outputs is left free
        o = out / out.max(dim=1, keepdim=True).values
        t = y / y.max(dim=1, keepdim=True).values
        e2 = (o - t) ** 2 * TARGET_PEAK ** 2
        loss = e2.mean() + e2.max(dim=1).values.mean()
        if kind == "nmax":
            return loss
        # a steep penalty on the evaluation error itself: negligible below
        # TAIL_SCALE, dominant well above it; errors beyond the cap
        # (compositions no network of this size fits) get no tail
        # gradient, so they cannot take over the batch
        e = (o - t).abs().max(dim=1).values.clamp(max=stage.tail_cap)
        return loss + stage.tail_weight * TAIL_SCALE ** 2 * \
            ((e / TAIL_SCALE) ** TAIL_POWER).mean()
    # smooth version of 'max' for L-BFGS: squared 8-norm per molecule
    return e2.mean() + ((e2 ** 4).sum(dim=1) + 1e-30).pow(0.25).mean()


def lbfgs_phase(model, X, Y, iters, subset, gen, verbose, name, xe, ye):
    """Full-batch (or fixed-subset) L-BFGS in float64 on the smooth loss."""
    if subset and subset < X.shape[0]:
        idx = torch.randperm(X.shape[0], generator=gen)[:subset]
        X, Y = X[idx], Y[idx]
    model.double()
    Xd, Yd = X.double(), Y.double()
    opt = torch.optim.LBFGS(model.parameters(), lr=1, max_iter=iters,
                            history_size=50, tolerance_grad=1e-12,
                            tolerance_change=1e-15,
                            line_search_fn="strong_wolfe")

    def closure():
        opt.zero_grad()
        loss = loss_fn("smooth", model(Xd), Yd)
        loss.backward()
        model.zero_fixed_grads()
        return loss
    chunk = 100
    for start in range(0, iters, chunk):
        opt.param_groups[0]["max_iter"] = min(chunk, iters - start)
        loss = opt.step(closure)
        model.project()
        if verbose:
            model.float()
            flat = model.export()
            err = blob.errors(blob.forward(name, flat, xe), ye)
            print("%s lbfgs iter %d loss %.3g eval p99 %.4f max %.4f" % (
                name, start + chunk, loss.item(), np.quantile(err, 0.99),
                err.max()), flush=True)
            model.double()
    model.float()


MINE_EVERY = 500
# atoms (C H N O S) of one input unit, for networks trained with a first
# layer factored through the elemental composition
ATOM_BASIS = {"residues": R.RESIDUES}


def snapshot(name, model, phase, model_dir):
    """Experiments (blobs outside src/models) keep the state after every
    phase: a plan cut after that phase gives exactly this blob."""
    if os.path.abspath(model_dir) != os.path.abspath(blob.MODEL_DIR):
        os.makedirs(model_dir, exist_ok=True)
        model.export().astype("<f4").tofile(os.path.join(
            model_dir, "%s.phase%d.bin" % (name, phase)))


@torch.no_grad()
def hard_weights(model, X, Y, cap=None, chunk=65536):
    """Sampling weights for hard-example mining: the squared per-molecule
    error of the peak-scaled outputs (the evaluation error, capped at `cap`
    so that a few hopeless molecules cannot fill every batch), plus a floor
    so that no molecule drops out entirely."""
    errs = []
    for s in range(0, X.shape[0], chunk):
        out = model(X[s:s + chunk])
        o = out / out.max(dim=1, keepdim=True).values.clamp_min(1e-30)
        t = Y[s:s + chunk] / Y[s:s + chunk].max(dim=1, keepdim=True).values
        errs.append((o - t).abs().max(dim=1).values)
    e = torch.cat(errs)
    if cap is not None:
        e = e.clamp(max=cap)
    return e * e + 1e-8


def load_blob_into(model, flat):
    """Start from an existing blob (continue training).  A factored model
    takes the least-squares atom weights of the blob's first layer."""
    w1, b1, w2, b2, w3, b3 = [torch.tensor(a) for a in
                              blob.unpack(model.net["name"], flat)]
    with torch.no_grad():
        if model.factored:
            w1 = torch.linalg.lstsq(model.basis.double(),
                                    w1.double().T).solution.T.float()
        model.l1.weight.copy_(w1 * model.s)
        model.l1.bias.copy_(b1 + w1 @ model.mu)
        model.l2.weight.copy_(w2)
        model.l2.bias.copy_(b2)
        model.l3.weight.copy_(w3)
        model.l3.bias.copy_(b3)


def standardiser(x, basis=None):
    """Mean and spread of the first layer's inputs (atom counts when
    factored)."""
    f = x if basis is None else x.astype(np.float64) @ basis
    mu, s = f.mean(axis=0), f.std(axis=0)
    s[s < 1e-6] = 1.0
    return mu, s


def parse_plan(text):
    plan = []
    for part in text.split(","):
        steps, batch, lr0, lr1, kind = part.split(":")
        plan.append((int(steps), int(batch), float(lr0), float(lr1), kind))
    return plan


def run_plan(name, model, X, Y, plan, gen, verbose, model_dir, watch,
             first, scale, stage=None):
    """Run the phases of `plan` (numbered from `first`) with one Adam
    optimiser; `watch` = (eval x, y, stress x, y) for progress lines."""
    opt = torch.optim.Adam(model.parameters(), lr=1e-3)
    n = X.shape[0]
    xe, ye, xs, ys = watch
    step_total = 0
    for phase, (steps, batch, lr0, lr1, lkind) in enumerate(plan, first):
        steps = max(1, int(steps * scale))
        if lkind == "lbfgs":
            lbfgs_phase(model, X, Y, steps, batch, gen, verbose, name, xe, ye)
            step_total += steps
            opt = torch.optim.Adam(model.parameters(), lr=1e-3)
            snapshot(name, model, phase, model_dir)
            continue
        for g in opt.param_groups:
            g["lr"] = lr0
        hard = None
        for step in range(steps):
            if (lkind == "mine" or lkind == "tail" and stage.tail_mined > 0) \
                    and step % MINE_EVERY == 0:
                hard = hard_weights(model, X, Y,
                                    stage.tail_cap if lkind == "tail" else None)
            frac = step / max(1, steps - 1)
            lr = lr1 + 0.5 * (lr0 - lr1) * (1 + math.cos(math.pi * frac))
            if lkind == "tail" and step < TAIL_WARMUP:
                # a fresh Adam's first steps move every parameter by about
                # the learning rate: ramp up so a trained net is not thrown
                # off
                lr *= (step + 1) / TAIL_WARMUP
            for g in opt.param_groups:
                g["lr"] = lr
            if hard is None:
                idx = torch.randint(0, n, (batch,), generator=gen)
            else:
                # part of the batch uniform, the rest drawn by current error
                k = batch // 2 if lkind == "mine" else \
                    int(batch * (1 - stage.tail_mined))
                idx = torch.cat([
                    torch.randint(0, n, (k,), generator=gen),
                    torch.multinomial(hard, batch - k, True, generator=gen)])
            out = model(X[idx])
            loss = loss_fn(lkind, out, Y[idx], stage)
            opt.zero_grad()
            loss.backward()
            model.zero_fixed_grads()
            opt.step()
            model.project()
            step_total += 1
            if verbose and (step % 2000 == 0 or step == steps - 1):
                flat = model.export()
                err = blob.errors(blob.forward(name, flat, xe), ye)
                es = blob.errors(blob.forward(name, flat, xs), ys)
                print("%s phase %d step %d lr %.2g loss %.3g eval p50 %.5f "
                      "p99 %.4f max %.4f stress p50 %.5f p99 %.4f max %.4f" % (
                          name, phase, step, lr, loss.item(), np.median(err),
                          np.quantile(err, 0.99), err.max(), np.median(es),
                          np.quantile(es, 0.99), es.max()), flush=True)
        snapshot(name, model, phase, model_dir)
    return step_total


def polish_set(name, x, y, peak, n_extra):
    """Training set of a polish stage: the plan's set plus n_extra polish
    compositions (own seeds, training proteins only)."""
    if n_extra == 0:
        return torch.tensor(x), torch.tensor(y) * peak, x.shape[0]
    xp, yp, _ = data.make_set(name, "polish", n=n_extra)
    X = torch.tensor(np.vstack([x, xp]))
    Y = torch.tensor(np.vstack([y, yp])) * peak
    return X, Y, X.shape[0]


def train_one(name, scale=1.0, verbose=True, plan=None,
              model_dir=blob.MODEL_DIR, log_path=LOG_PATH, init=None,
              peak=None, polish_only=False, stages=None):
    net = NETS[name]
    torch.manual_seed(1000 + list(NETS).index(name))
    gen = torch.Generator().manual_seed(2000 + list(NETS).index(name))
    t0 = time.time()
    x, y, _ = data.make_set(name, "train")
    if HARDEN.get(name):
        xh, yh, _ = data.make_set(name, "harden", n=HARDEN[name])
        x, y = np.vstack([x, xh]), np.vstack([y, yh])
    xe, ye, _ = data.make_set(name, "eval")
    xs, ys, _ = data.make_set(name, "stress")
    t_data = time.time() - t0
    basis = ATOM_BASIS.get(net["kind"]) if net.get("factored") else None
    first_basis = basis if net.get("factored") == "all" else None
    model = Net(net, *standardiser(x, first_basis), basis=first_basis)
    with torch.no_grad():
        p = np.clip(y.mean(axis=0) * (TARGET_PEAK if peak is None else peak),
                    1e-4, 1 - 1e-4)
        model.l3.bias.copy_(torch.tensor(np.log(p / (1 - p)),
                                         dtype=torch.float32))
    if init:
        load_blob_into(model, blob.read(name, init))
    model.project()
    X = torch.tensor(x)
    if peak is None:
        peak = TARGET_PEAK
    Y = torch.tensor(y) * peak
    n = X.shape[0]
    if plan is None:
        plan = PLANS.get(name, DEFAULT_PLAN)
    t1 = time.time()
    step_total = 0
    if not polish_only:
        step_total += run_plan(name, model, X, Y, plan, gen, verbose,
                               model_dir, (xe, ye, xs, ys), 0, scale)
    plan_x, plan_y = x, y
    if stages is None:
        stages = POLISH.get(name, [])
    first = len(plan)
    for k, stage in enumerate(stages):
        X, Y, n = polish_set(name, plan_x, plan_y, peak, stage.n)
        x, y = X.numpy(), Y.numpy() / peak
        # start from the previous blob exactly as written, so that
        # polishing a committed blob (--init DIR --polish-only) gives the
        # same weights as the whole run
        flat = blob.read(name, init) if polish_only and init and k == 0 \
            else model.export()
        if basis is not None:
            model = Net(net, *standardiser(x, basis), basis=basis)
        load_blob_into(model, flat)
        model.project()
        gen = torch.Generator().manual_seed(3000 + list(NETS).index(name))
        step_total += run_plan(name, model, X, Y, stage.phases, gen,
                               verbose, model_dir, (xe, ye, xs, ys), first,
                               scale, stage)
        first += len(stage.phases)
    t_train = time.time() - t1
    flat = model.export()
    blob.write(name, flat, model_dir)
    err = blob.errors(blob.forward(name, flat, xe), ye)
    err_s = blob.errors(blob.forward(name, flat, xs), ys)
    err_tr = blob.errors(blob.forward(name, flat, x), y)
    rec = dict(train_samples=int(n), eval_samples=int(len(xe)),
               steps=step_total, scale=scale,
               data_seconds=round(t_data, 1),
               train_seconds=round(t_train, 1), polish_only=polish_only,
               train_p99=float(np.quantile(err_tr, 0.99)),
               train_max=float(err_tr.max()),
               eval_p50=float(np.median(err)),
               eval_p99=float(np.quantile(err, 0.99)),
               eval_max=float(err.max()),
               stress_p50=float(np.median(err_s)),
               stress_p99=float(np.quantile(err_s, 0.99)),
               stress_max=float(err_s.max()))
    # several trainings may run side by side: lock the log's directory
    lock = os.open(os.path.dirname(os.path.abspath(log_path)), os.O_RDONLY)
    try:
        fcntl.flock(lock, fcntl.LOCK_EX)
        log = {}
        if os.path.exists(log_path):
            with open(log_path) as fh:
                log = json.load(fh)
        log[name] = rec
        with open(log_path, "w") as fh:
            json.dump(log, fh, indent=1, sort_keys=True)
    finally:
        os.close(lock)
    if verbose:
        print("%s done: %s" % (name, json.dumps(rec)), flush=True)
    return rec


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--all", action="store_true", help="train all twelve")
    ap.add_argument("--net", action="append", default=[],
                    help="train this network (repeatable)")
    ap.add_argument("--scale", type=float, default=1.0,
                    help="multiply every phase's step count (quick runs)")
    ap.add_argument("--threads", type=int, default=1)
    ap.add_argument("--plan", default=None,
                    help="override: steps:batch:lr0:lr1:loss,... (experiments)")
    ap.add_argument("--out", default=blob.MODEL_DIR,
                    help="blob directory (default src/models)")
    ap.add_argument("--log", default=LOG_PATH, help="training log json")
    ap.add_argument("--peak", type=float, default=None,
                    help="target peak height (experiments)")
    ap.add_argument("--harden", type=int, default=None,
                    help="stress samples added to training (experiments)")
    ap.add_argument("--init", default=None,
                    help="start from the blobs in this directory")
    ap.add_argument("--polish-only", action="store_true",
                    help="skip the plan, only polish (with --init: the "
                    "plan's blob)")
    ap.add_argument("--polish-plan", default=None,
                    help="one polish stage with these phases instead of "
                    "the network's stages (experiments); 'none' skips "
                    "polishing")
    ap.add_argument("--polish-recipe", default=None,
                    help="JSON overriding the net's polish mixture "
                    "(stress.POLISH_RECIPE; experiments)")
    ap.add_argument("--polish-n", type=int, default=None,
                    help="polish compositions of every stage (experiments)")
    ap.add_argument("--factored", choices=("no", "polish", "all"),
                    default=None, help="first layer through the atom "
                    "counts: not, in the polish stage, throughout")
    ap.add_argument("--tail", default=None,
                    help="WEIGHT:MINED:CAP of the tail loss "
                    "(experiments)")
    args = ap.parse_args()
    torch.set_num_threads(args.threads)
    names = list(NETS) if args.all else args.net
    if not names:
        ap.error("give --all or --net NAME")
    for name in names:
        if name not in NETS:
            ap.error("unknown network %s" % name)
    for name in names:
        if args.harden is not None:
            HARDEN[name] = args.harden
        if args.factored:
            NETS[name]["factored"] = \
                None if args.factored == "no" else args.factored
        if args.polish_recipe:
            NETS[name]["polish"] = dict(NETS[name].get("polish") or {},
                                        **json.loads(args.polish_recipe))
        stages = None
        if args.polish_plan == "none":
            stages = []
        elif args.polish_plan or args.tail:
            # one stage replacing the network's stages
            stage = (POLISH.get(name) or [Stage(0, [])])[-1]
            if args.polish_plan:
                stage = stage._replace(phases=parse_plan(args.polish_plan))
            if args.tail:
                weight, mined, cap = [float(v) for v in args.tail.split(":")]
                stage = stage._replace(tail_weight=weight, tail_mined=mined,
                                       tail_cap=cap)
            stages = [stage]
        if args.polish_n is not None:
            stages = [st._replace(n=args.polish_n) for st in
                      (POLISH.get(name, []) if stages is None else stages)]
        train_one(name, args.scale,
                  plan=parse_plan(args.plan) if args.plan else None,
                  model_dir=args.out, log_path=args.log, init=args.init,
                  peak=args.peak, polish_only=args.polish_only,
                  stages=stages)


if __name__ == "__main__":
    main()
