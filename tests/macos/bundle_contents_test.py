"""What the cross-built macOS bundle is made of, read with llvm's Mach-O
tools: its layout and Info.plist, and in each slice the file type, the
exports, the libraries it loads, the oldest macOS it runs on, the warning
command it carries and the absence of fused multiply-add instructions. Also
that the Mac-style configure gave every compile both architectures."""
import argparse
import json
import os
import plistlib
import re
import subprocess
import sys
import tempfile
import unittest

ARGS = None
LIPO, OTOOL, OBJDUMP, NM = "llvm-lipo-14", "llvm-otool-14", "llvm-objdump-14", "llvm-nm-14"
ARCHES = ("arm64", "x86_64")
EXPORTS = {"_EffectMain", "_EntryPointFunc", "_PluginDataEntryFunction", "_PluginDataEntryFunction2"}
MACOS_WARNING = (b"osascript -e 'display dialog \"Prismora needs this layer to be an Adjustment Layer to render "
                 b"glass. Turn on its Adjustment switch in the timeline (the half-moon icon).\" with title "
                 b"\"Prismora\" with icon note buttons {\"OK\"} default button \"OK\" giving up after 60' "
                 b">/dev/null 2>&1\0")
WINDOWS_WARNING_MARKS = (b"powershell", b"WScript.Shell", b"Popup(")
# Fused multiply-add mnemonics: scalar and vector on arm64, FMA3/FMA4 on x86-64.
FMA = {
    "arm64": re.compile(r"^\s*[0-9a-f]+:\s+(fmadd|fmsub|fnmadd|fnmsub|fmla|fmls)\b", re.M),
    "x86_64": re.compile(r"^\s*[0-9a-f]+:\s+(vf(n)?m(add|sub)\w*)\b", re.M),
}


def tool(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def executable():
    return os.path.join(ARGS.bundle, "Contents", "MacOS", "Prismora")


class SliceTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.workdir = tempfile.TemporaryDirectory()
        cls.slices = {}
        for arch in ARCHES:
            path = os.path.join(cls.workdir.name, arch)
            tool(LIPO, "-thin", arch, executable(), "-output", path)
            cls.slices[arch] = path

    @classmethod
    def tearDownClass(cls):
        cls.workdir.cleanup()

    def test_universal_with_exactly_the_two_slices(self):
        self.assertEqual(sorted(tool(LIPO, "-archs", executable()).split()), sorted(ARCHES))

    def test_each_slice_is_a_loadable_bundle(self):
        for arch, path in self.slices.items():
            header = tool(OTOOL, "-hv", path).splitlines()[-1].split()
            self.assertEqual(header[4], "BUNDLE", arch)

    def test_each_slice_exports_exactly_the_four_entry_points_unmangled(self):
        for arch, path in self.slices.items():
            trie = {line.split()[-1] for line in tool(OBJDUMP, "--macho", "--exports-trie", path).splitlines()
                    if line.startswith("0x")}
            self.assertEqual(trie, EXPORTS, arch)
            external = set(tool(NM, "--extern-only", "--defined-only", "--just-symbol-name", path).split())
            self.assertEqual(external, EXPORTS, arch)

    def test_each_slice_loads_nothing_but_libsystem(self):
        for arch, path in self.slices.items():
            libraries = [line.split()[0] for line in tool(OTOOL, "-L", path).splitlines()[1:]]
            self.assertEqual(libraries, ["/usr/lib/libSystem.B.dylib"], arch)

    def test_each_slice_runs_on_macos_11_and_later(self):
        for arch, path in self.slices.items():
            commands = tool(OTOOL, "-l", path)
            versions = re.findall(r"cmd LC_BUILD_VERSION\n.*\n\s*platform (\S+)\n\s*sdk \S+\n\s*minos (\S+)", commands)
            self.assertEqual(versions, [("macos", "11.0")], arch)
            self.assertNotIn("LC_VERSION_MIN", commands, arch)

    def test_each_slice_carries_the_macos_warning_command_and_no_windows_one(self):
        for arch, path in self.slices.items():
            with open(path, "rb") as f:
                data = f.read()
            self.assertEqual(data.count(MACOS_WARNING), 1, arch)
            for mark in WINDOWS_WARNING_MARKS:
                self.assertNotIn(mark, data, arch)

    def test_no_fused_multiply_add_anywhere_in_the_code(self):
        # The whole of each slice, the statically linked runtime included, so
        # the plug-in's own code is covered whatever its functions are named.
        for arch, path in self.slices.items():
            listing = tool(OBJDUMP, "-d", "--no-show-raw-insn", path)
            self.assertGreater(listing.count("\n"), 10000, arch)
            self.assertEqual(FMA[arch].findall(listing), [], arch)


class BundleLayoutTest(unittest.TestCase):
    def test_info_plist_names_the_executable_and_the_effect(self):
        with open(os.path.join(ARGS.bundle, "Contents", "Info.plist"), "rb") as f:
            plist = plistlib.load(f)
        self.assertEqual(plist, {
            "CFBundleDevelopmentRegion": "English",
            "CFBundleExecutable": "Prismora",
            "CFBundleIdentifier": "com.vantrelle.prismora",
            "CFBundleInfoDictionaryVersion": "6.0",
            "CFBundleName": "Prismora",
            "CFBundlePackageType": "eFKT",
            "CFBundleSignature": "FXTC",
            "CFBundleShortVersionString": "1.0.0",
            "CFBundleVersion": "1.0.0.94",
            "LSRequiresCarbon": True,
            "CSResourcesFileMapped": True,
        })
        self.assertTrue(os.path.isfile(os.path.join(ARGS.bundle, "Contents", "MacOS", plist["CFBundleExecutable"])))
        self.assertTrue(ARGS.bundle.rstrip("/").endswith("Prismora.plugin"))


class MacConfigureTest(unittest.TestCase):
    def test_every_compile_targets_both_architectures_without_march(self):
        with open(ARGS.compile_commands) as f:
            entries = json.load(f)
        self.assertTrue(any(e["file"].endswith("curve_tables.cpp") for e in entries))
        for entry in entries:
            words = entry["command"].split()
            pairs = {words[i + 1] for i, w in enumerate(words[:-1]) if w == "-arch"}
            self.assertEqual(pairs, set(ARCHES), entry["file"])
            self.assertFalse([w for w in words if w.startswith("-march") or w.startswith("-mtune")], entry["file"])


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--bundle", required=True)
    parser.add_argument("--compile-commands", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
