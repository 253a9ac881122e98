"""What the verdo-cli tests share: where the program is, and file helpers."""
import os
import resource
import signal
import subprocess

BIN = os.environ.get("VERDO_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
CLI = os.path.join(BIN, "verdo-cli")

# The META lines of the garden shop's form (no newline after the last).
GARDEN_META = (
    b'<META NAME="description" CONTENT="Spades and rakes">\n'
    b'<META NAME="keywords" CONTENT="spade, rake, hoe,trowel">\n'
    b'<META NAME="author" CONTENT="Web Team">\n'
    b'<META NAME="copyright" CONTENT="2001 Garden Shop">\n'
    b'<META NAME="robots" CONTENT="noindex, nocache">\n'
    b'<META HTTP-EQUIV="expires" CONTENT="Mon, 01 Jan 2002 00:00:00 GMT">\n'
    b'<META NAME="distribution" CONTENT="Local">\n'
    b'<META NAME="revisit-after" CONTENT="31 days">')


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
