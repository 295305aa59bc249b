import sys

from .prepare import prepare

if sys.argv[1:] != ["prepare"]:
    sys.exit("usage: python3 -m harness prepare")
prepare()
