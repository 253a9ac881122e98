"""What the verdo-cli tests share: where the program is, the reference examples, and file helpers."""
import os
import resource
import signal
import subprocess

BIN = os.environ.get("VERDO_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
CLI = os.path.join(BIN, "verdo-cli")

DATA = os.environ.get("VERDO_TEST_DATA", os.path.join(os.path.dirname(__file__), "..", "data"))


def data(name):
    """The bytes of a reference example in tests/data."""
    with open(os.path.join(DATA, name), "rb") as f:
        return f.read()


# The garden shop's head block, and its META lines (no newline after the last).
GARDEN_HEAD = data("garden_head.txt")
GARDEN_META = GARDEN_HEAD.split(b"\n", 1)[1]


def run_cli(*args, **kwargs):
    """verdo-cli with its output captured; the timeout only guards against a hang, no timing is asserted."""
    return subprocess.run([CLI, *args], capture_output=True, timeout=120, **kwargs)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def limited(fsize):
    """Runs the child with files limited to fsize bytes, SIGXFSZ ignored: writes past it fail like a full disk."""
    def setup():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (fsize, fsize))
    return setup
