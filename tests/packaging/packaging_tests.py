"""The packaging's generators run as the build runs them: the bash completion
and the manual pages made from a program's own help, on a stand-in program
whose help has options, choices and subcommands the real ones do not have
yet, and on the built programs themselves.

    VOLTRIGG_PACKAGING=packaging VOLTRIGG_CLI=build/voltrigg-cli ... python3 -m unittest packaging_tests
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import textwrap
import unicodedata
import unittest

PACKAGING = os.environ.get("VOLTRIGG_PACKAGING", os.path.join(os.path.dirname(__file__), "..", "..", "packaging"))
CLI = os.environ.get("VOLTRIGG_CLI", "")
VIEW = os.environ.get("VOLTRIGG_VIEW", "")
WINDOW = os.environ.get("VOLTRIGG_WINDOW", "")
VERSION = os.environ.get("VOLTRIGG_VERSION", "")
HAVE_HELP2MAN = shutil.which("help2man") is not None and shutil.which("man") is not None

# A CLI11-style program with a subcommand in a "Subcommands:" section (plant),
# one named only in the footer (commission), an option group under its own
# heading, choices in both of CLI11's forms and values that are files,
# folders and numbers.
STAND_IN = r'''#!PYTHON
import sys
args = sys.argv[1:]
MAIN = """Plans things.
Usage: fieldtool [OPTIONS] [SUBCOMMAND] LIST.csv

Positionals:
  LIST.csv TEXT REQUIRED      the module list file

Options:
  -h,--help                   Print this help message and exit
  -s,--series TEXT REQUIRED   modules in series per string
  --version                   Display program version information and exit
  --extras TEXT:voc,isc|isc,voc Needs: --assess
                              what columns 6 and 7 hold

Assessment:
  --assess                    also assess
  --tmin FLOAT=-10            lowest cell temperature [°C]
  --inverter TEXT             inverter profile (JSON) to check against

Subcommands:
  plant                       plans a whole plant

The commissioning check: fieldtool commission --help
"""
PLANT = """Plans a whole plant of several arrays.
Usage: fieldtool plant [OPTIONS] PLANT.json

Positionals:
  PLANT.json TEXT:FILE REQUIRED
                              the plant description

Options:
  -h,--help                   Print this help message and exit
  --sort TEXT:{delivered,pallets,free}
                              the order of the modules
  --out-dir TEXT:DIR          the folder for the results
  --inverters INT=2           inverters per block
"""
COMMISSION = """Checks measured strings.
Usage: fieldtool commission [OPTIONS] RESULT.csv MEASURED.csv

Positionals:
  RESULT.csv MEASURED.csv TEXT REQUIRED
                              the result file and the measurement file

Options:
  -h,--help                   Print this help message and exit
  --form TEXT                 write the blank measurement form to this file
"""
if args == ["--version"]:
    print("Fieldtool ver.VERSION")
elif args == ["--help"]:
    print(MAIN, end="")
elif args == ["plant", "--help"]:
    print(PLANT, end="")
elif args == ["commission", "--help"]:
    print(COMMISSION, end="")
else:
    sys.exit(64)
'''


def write_stand_in(folder, version="2.4.1"):
    path = os.path.join(folder, "fieldtool")
    with open(path, "w", encoding="utf-8") as f:
        f.write(STAND_IN.replace("#!PYTHON", "#!" + sys.executable).replace("VERSION", version))
    os.chmod(path, 0o755)
    return path


def run(command, **kwargs):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120, **kwargs)


class CompletionTest(unittest.TestCase):
    """What bash offers at the cursor, with the completion the build makes."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="voltrigg-completion-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.work = os.path.join(self.dir, "work")
        os.mkdir(self.work)
        for name in ("lot.csv", "LOT2.CSV", "plant.json", "notes.txt"):
            open(os.path.join(self.work, name), "w").close()
        os.mkdir(os.path.join(self.work, "out"))

    def generate(self, program, name=None):
        script = os.path.join(self.dir, "completion")
        command = [sys.executable, os.path.join(PACKAGING, "make_completion.py"), program, script]
        if name:
            command += ["--name", name]
        done = run(command)
        self.assertEqual(done.returncode, 0, done.stderr)
        return script

    def offered(self, script, line):
        """The candidates for the last word of `line` (an empty last word: line ends in a blank)."""
        words = line.split(" ")
        driver = textwrap.dedent("""\
            source "$1"; shift
            fn=$(complete -p "$1" | sed -E 's/.*-F ([^ ]+) .*/\\1/')
            COMP_WORDS=("$@"); COMP_CWORD=$(( ${#COMP_WORDS[@]} - 1 ))
            COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
            "$fn"
            printf '%s\\n' "${COMPREPLY[@]}"
            """)
        done = run(["bash", "-c", driver, "driver", script] + words, cwd=self.work)
        self.assertEqual(done.returncode, 0, done.stderr)
        return sorted(w for w in done.stdout.split("\n") if w)

    def test_options_choices_files_and_subcommands_come_from_the_help(self):
        script = self.generate(write_stand_in(self.dir))
        self.assertEqual(self.offered(script, "fieldtool --"),
                         ["--assess", "--extras", "--help", "--inverter", "--series", "--tmin", "--version"])
        # Choices in CLI11's "TEXT:a|b" and "{a,b}" forms; also after --option=.
        self.assertEqual(self.offered(script, "fieldtool --extras "), ["isc,voc", "voc,isc"])
        self.assertEqual(self.offered(script, "fieldtool --extras = i"), ["isc,voc"])
        self.assertEqual(self.offered(script, "fieldtool plant --sort "), ["delivered", "free", "pallets"])
        # Numbers and counts: nothing to offer, not file names.
        self.assertEqual(self.offered(script, "fieldtool --tmin "), [])
        self.assertEqual(self.offered(script, "fieldtool -s "), [])
        self.assertEqual(self.offered(script, "fieldtool plant --inverters "), [])
        # Files where a file is asked for: those of the value's extension (any case) and folders.
        self.assertEqual(self.offered(script, "fieldtool "), ["LOT2.CSV", "commission", "lot.csv", "out", "plant"])
        self.assertEqual(self.offered(script, "fieldtool plant "), ["out", "plant.json"])
        self.assertEqual(self.offered(script, "fieldtool --inverter "),
                         ["LOT2.CSV", "lot.csv", "notes.txt", "out", "plant.json"])
        self.assertEqual(self.offered(script, "fieldtool plant --out-dir "), ["out"])
        # A subcommand's own options, and its files after an option's value.
        self.assertEqual(self.offered(script, "fieldtool plant --"), ["--help", "--inverters", "--out-dir", "--sort"])
        self.assertEqual(self.offered(script, "fieldtool commission --form x.csv l"), ["lot.csv"])
        # A file name given first: no subcommand any more.
        self.assertEqual(self.offered(script, "fieldtool lot.csv p"), ["plant.json"])
        # The value of an option is not taken for a subcommand.
        self.assertEqual(self.offered(script, "fieldtool -s plant --"),
                         ["--assess", "--extras", "--help", "--inverter", "--series", "--tmin", "--version"])

    @unittest.skipUnless(CLI, "VOLTRIGG_CLI names no built voltrigg-cli")
    def test_the_built_voltrigg_cli(self):
        script = self.generate(CLI)
        self.assertIn("--extras", self.offered(script, "voltrigg-cli --ex"))
        self.assertEqual(self.offered(script, "voltrigg-cli --extras "), ["isc,voc", "voc,isc"])
        self.assertEqual(self.offered(script, "voltrigg-cli c"), ["commission"])
        self.assertEqual(self.offered(script, "voltrigg-cli commission l"), ["lot.csv"])
        self.assertIn("--voc-tolerance", self.offered(script, "voltrigg-cli commission --"))
        self.assertNotIn("--voc-tolerance", self.offered(script, "voltrigg-cli --"))


@unittest.skipUnless(HAVE_HELP2MAN, "help2man and man are not installed")
class ManualPageTest(unittest.TestCase):
    """The pages make_manpages.py writes, as man reads them."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="voltrigg-manpages-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.includes = os.path.join(self.dir, "includes")
        os.mkdir(self.includes)
        with open(os.path.join(self.includes, "fieldtool.h2m"), "w", encoding="utf-8") as f:
            f.write("[NAME]\nfieldtool \\- plan things in the field\n[EXIT STATUS]\n.TP\n.B 0\ndone.\n"
                    "[SEE ALSO]\n.BR voltrigg (1).\n")

    def make(self, program, version, languages=("en",)):
        out = os.path.join(self.dir, "out")
        return out, run([sys.executable, os.path.join(PACKAGING, "make_manpages.py"), program, "--version", version,
                         "--includes", self.includes, "--out", out, "--languages", *languages],
                        env=dict(os.environ, SOURCE_DATE_EPOCH="1700000000"))

    def render(self, path):
        done = run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", path],
                   env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stderr, "", path)  # groff's warnings are lintian's errors
        plain = run(["man", "-l", "-Tutf8", path], env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80"))
        return re.sub(".\b", "", plain.stdout)  # without the overstrikes of bold and underline

    def test_a_page_per_command_cross_referenced_and_compressed_as_debian_wants(self):
        out, done = self.make(write_stand_in(self.dir), "2.4.1")
        self.assertEqual(done.returncode, 0, done.stderr)
        pages = sorted(os.listdir(os.path.join(out, "man1")))
        self.assertEqual(pages, ["fieldtool-commission.1.gz", "fieldtool-plant.1.gz", "fieldtool.1.gz"])
        with open(os.path.join(out, "man1", "fieldtool.1.gz"), "rb") as f:
            header = f.read(10)
        self.assertEqual(header[4:8], b"\0\0\0\0")  # no time stamp (gzip -n)
        self.assertEqual(header[8], 2)  # best compression (gzip -9)
        main = self.render(os.path.join(out, "man1", "fieldtool.1.gz"))
        self.assertIn("plan things in the field", main)  # the include file's NAME
        self.assertIn("--inverter", main)  # an option of a group under its own heading
        self.assertIn("EXIT STATUS", main)
        self.assertRegex(main, r"fieldtool-commission\(1\),\s+fieldtool-plant\(1\),\s+voltrigg\(1\)")
        plant = self.render(os.path.join(out, "man1", "fieldtool-plant.1.gz"))
        self.assertIn("fieldtool-plant - Plans a whole plant of several arrays", plant)  # from its help alone
        self.assertIn("--sort", plant)
        self.assertIn("fieldtool(1)", plant)
        self.assertIn("2.4.1", plant)

    def test_a_program_whose_version_is_not_the_packages_gets_no_page(self):
        out, done = self.make(write_stand_in(self.dir, version="2.4.0"), "2.4.1")
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("2.4.0", done.stderr)
        self.assertFalse(os.path.exists(os.path.join(out, "man1", "fieldtool.1.gz")))

    @unittest.skipUnless(CLI and VERSION, "VOLTRIGG_CLI and VOLTRIGG_VERSION name no built voltrigg-cli")
    def test_japanese_pages_break_their_lines(self):
        locales = run(["locale", "-a"]).stdout.lower().replace("-", "").split()
        if "ja_jp.utf8" not in locales:
            self.skipTest("the locale ja_JP.UTF-8 is not generated")
        shutil.copy(os.path.join(PACKAGING, "man", "voltrigg-cli.ja.h2m"), self.includes)
        out, done = self.make(CLI, VERSION, languages=("ja",))
        self.assertEqual(done.returncode, 0, done.stderr)
        page = self.render(os.path.join(out, "ja", "man1", "voltrigg-cli.1.gz"))
        self.assertIn("名前", page)
        self.assertIn("オプション", page)  # the help's options found under the Japanese heading
        for line in page.split("\n"):
            width = sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in line)
            self.assertLessEqual(width, 80, line)  # every line broken within the terminal's width


class ProgramsTest(unittest.TestCase):
    """--help and --version as the manual pages and the package rely on them."""

    def environment(self, lang):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update(LANG=lang, LC_ALL="", LC_MESSAGES="")
        return env

    @unittest.skipUnless(WINDOW and VERSION, "VOLTRIGG_WINDOW and VOLTRIGG_VERSION name no built window")
    def test_the_window_answers_help_and_version_without_a_display(self):
        done = run([WINDOW, "--version"], env=self.environment("C.UTF-8"))
        self.assertEqual((done.returncode, done.stdout, done.stderr), (0, "voltrigg Voltrigg ver.%s\n" % VERSION, ""))
        done = run([WINDOW, "--help"], env=self.environment("C.UTF-8"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(done.stdout.startswith("Usage: voltrigg "), done.stdout)
        self.assertIn("--version", done.stdout)
        done = run([WINDOW, "-h"], env=self.environment("ja_JP.UTF-8"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(done.stdout.startswith("使い方: voltrigg "), done.stdout)
        # Anything else still needs the display, and says so.
        done = run([WINDOW], env=self.environment("C.UTF-8"))
        self.assertEqual(done.returncode, 2)
        self.assertIn("voltrigg-cli", done.stderr)

    @unittest.skipUnless(CLI and VIEW and VERSION, "VOLTRIGG_CLI, VOLTRIGG_VIEW and VOLTRIGG_VERSION name no programs")
    def test_every_program_shows_the_package_version(self):
        # What scripts may read today stays: the CLI's line, the viewer's name before it.
        self.assertEqual(run([CLI, "--version"]).stdout, "Voltrigg ver.%s\n" % VERSION)
        self.assertEqual(run([VIEW, "--version"], env=self.environment("C.UTF-8")).stdout,
                         "voltrigg-view Voltrigg ver.%s\n" % VERSION)


if __name__ == "__main__":
    unittest.main()
