"""The command line's documentation against the program: every option a
subcommand's --help lists is one its parser accepts and the other way round,
and every command README.md shows runs with the exit status it states
(0 unless the command's comment says "exit status N")."""

import os
import re
import shlex
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from serve_support import program_path  # noqa: E402

PROGRAM = os.path.abspath(program_path())
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# A positional argument each subcommand takes, so that only options are judged.
SUBJECTS = {"formula": ["H2O"], "peptide": ["PEPTIDE"], "rna": ["ACGU"], "dna": ["ACGT"],
            "batch": ["missing.txt"], "serve": [], "fragments": ["PEPTIDE"],
            "match": ["missing.csv"], "deisotope": ["missing.csv"]}
# Options of other subcommands that one refuses with its own reason.
REFUSED_WITH_A_REASON = {("formula", "--mass"), ("formula", "--offset"), ("dna", "--offset")}


def run(arguments, cwd):
    return subprocess.run([PROGRAM, *arguments], capture_output=True, text=True, timeout=60,
                          cwd=cwd)


def documented_options(command):
    help_text = run([command, "--help"], ROOT).stdout
    return set(re.findall(r"^ {2,}(--[a-z-]+)", help_text, re.M))


class CommandLineDocsTest(unittest.TestCase):
    def test_help_lists_exactly_the_options_the_parser_accepts(self):
        every = set()
        for command in SUBJECTS:
            every |= documented_options(command)
        with tempfile.TemporaryDirectory() as folder:
            for command, subject in SUBJECTS.items():
                listed = documented_options(command)
                for option in sorted(every | {"--colour"}):
                    # A bad value ends every run early (serve never starts).
                    done = run([command, *subject, option, "0x"], folder)
                    accepted = "unknown option" not in done.stderr
                    with self.subTest(command=command, option=option):
                        if (command, option) in REFUSED_WITH_A_REASON:
                            self.assertIn(option, done.stderr)
                        else:
                            self.assertEqual(accepted, option in listed, done.stderr)

    def test_version(self):
        done = run(["--version"], ROOT)
        self.assertEqual(done.returncode, 0)
        with open(os.path.join(ROOT, "include", "corvan.h")) as header:
            version = re.search(r'CORVAN_VERSION_STRING "([^"]+)"', header.read()).group(1)
        self.assertEqual(done.stdout, f"corvan {version}\n")

    def test_every_readme_command_runs(self):
        with open(os.path.join(ROOT, "README.md")) as readme:
            lines = readme.read().split("\n")
        commands = []
        for i, line in enumerate(lines):
            match = re.match(r"^    (\$ )?(build/cli/corvan |printf )", line)
            if not match or "corvan serve" in line:
                continue
            text = line[4:].removeprefix("$ ")
            while text.endswith("\\"):
                i += 1
                text = text[:-1] + lines[i].strip()
            # An error example is followed by the program's message.
            shown_error = lines[i + 1].strip().startswith("corvan ")
            stated = re.search(r"# exit status (\d)", text)
            commands.append((text, 2 if shown_error else int(stated.group(1)) if stated else 0))
        self.assertGreater(len(commands), 15)
        with tempfile.TemporaryDirectory() as folder:
            for text, status in commands:
                shell = text.replace("build/cli/corvan", shlex.quote(PROGRAM))
                shell = re.sub(r"(?<![\w/])(tests/)?data/",
                               lambda m: shlex.quote(os.path.join(ROOT, m.group(0))), shell)
                with self.subTest(command=text):
                    done = subprocess.run(["bash", "-c", shell], capture_output=True, text=True,
                                          timeout=300, cwd=folder)
                    self.assertEqual(done.returncode, status, done.stderr[-2000:])


if __name__ == "__main__":
    unittest.main(verbosity=2)
