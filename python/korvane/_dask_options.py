# SPDX-License-Identifier: Apache-2.0
"""The options of korvane-dask (`python3 -m korvane.dask`), checked before any work
starts; the help is in the layout help2man reads for the manual page."""

from __future__ import annotations

import argparse
import ipaddress
import math
import os
import re
import sys
from typing import NoReturn, Optional, Sequence

from . import _korvane
from ._api import DEFAULT_MAX_PAGE_SIZE

# More local worker processes than this per core only cost memory and start-up
# time: each task is one file converted on one thread.
WORKERS_PER_CORE = 8
DEFAULT_CONNECT_TIMEOUT = 10.0
# The transports a scheduler in another process can be reached by.
_SCHEMES = ("tcp", "tls", "ws", "wss", "ucx")
_DEFAULT_PORT = 8786
_HOST_NAME = re.compile(r"[A-Za-z0-9_]([A-Za-z0-9_.-]*[A-Za-z0-9_.])?")


def program_name() -> str:
    """korvane-dask, as the installed command is called, or how the module
    was started."""
    name = os.path.basename(sys.argv[0])
    return name if name.startswith("korvane-dask") else "python3 -m korvane.dask"


class _HelpFormatter(argparse.HelpFormatter):
    """"Usage:" as korvane writes it, which help2man reads for the manual page."""

    def add_usage(self, usage, actions, groups, prefix=None):
        super().add_usage(usage, actions, groups, prefix or "Usage: ")


class _Parser(argparse.ArgumentParser):
    def error(self, message: str) -> NoReturn:
        # One line, as korvane's other messages.
        print(f"korvane: {message} (see --help)", file=sys.stderr)
        sys.exit(2)


def _size(text: str) -> int:
    size = _korvane.parse_size(text)
    if size is None:
        raise argparse.ArgumentTypeError(
            f"not a size in bytes (such as 65536, 512K, 64M or 1G): {text}")
    return size


def _seconds(text: str) -> float:
    try:
        seconds = float(text)
    except ValueError:
        seconds = math.nan
    if not 0 < seconds <= 3600:
        raise argparse.ArgumentTypeError(f"not a number of seconds from 0 to 3600: {text}")
    return seconds


def max_workers() -> int:
    return WORKERS_PER_CORE * (os.cpu_count() or 1)


def _workers(text: str) -> int:
    most = max_workers()
    try:
        workers = int(text)
    except ValueError:
        workers = 0
    if not 1 <= workers <= most:
        raise argparse.ArgumentTypeError(
            f"takes 1 to {most} worker processes here ({WORKERS_PER_CORE} per core): {text}")
    return workers


def _valid_host(host: str) -> bool:
    if host.startswith("[") and host.endswith("]"):
        try:
            ipaddress.IPv6Address(host[1:-1])
        except ValueError:
            return False
        return True
    return _HOST_NAME.fullmatch(host) is not None


def _scheduler(text: str) -> str:
    """ADDRESS as Dask takes it, [SCHEME://]HOST[:PORT]; refused when it
    cannot name a scheduler, before any attempt to connect."""
    scheme, separator, location = text.partition("://")
    if not separator:
        scheme, location = "tcp", text
    host, colon, port = location.rpartition(":") if not location.endswith("]") else ("", "", "")
    if not colon:
        host, port = location, str(_DEFAULT_PORT)
    if (scheme not in _SCHEMES or not _valid_host(host) or not port.isascii()
            or not port.isdigit() or not 0 < int(port) < 65536):
        shown = _korvane.escaped_text(text)
        raise argparse.ArgumentTypeError(
            f"not a scheduler address such as tcp://host:8786: {shown}")
    return f"{scheme}://{location}"


def _parser() -> argparse.ArgumentParser:
    parser = _Parser(
        prog=program_name(), usage="%(prog)s [OPTION]... --output-dir DIR INPUT...",
        formatter_class=_HelpFormatter, add_help=False,
        description="Convert pages, WARC files and folders on a Dask cluster: one task per "
                    "file, each writing DIR/<file>.jsonl with the objects of "
                    "`korvane --format jsonl <file>`. Exit status: 0 when every input "
                    "converted, 1 when any failed or the scheduler could not be reached, "
                    "2 for bad usage, 128 + the signal when SIGINT or SIGTERM stopped it.")
    parser.add_argument("inputs", nargs="+", metavar="INPUT",
                        help="pages, WARC files and folders, walked as korvane walks them; "
                             "not standard input")
    options = parser.add_argument_group("Options")
    options.add_argument("-h", "--help", action="help", help="show this help and exit")
    options.add_argument("-V", "--version", action="version",
                         version=f"%(prog)s {_korvane.__version__}",
                         help="show the version and exit")
    options.add_argument("-o", "--output-dir", required=True, metavar="DIR",
                         help="write each input's part file under DIR, its path mirrored")
    where = options.add_mutually_exclusive_group()
    where.add_argument("--scheduler", type=_scheduler, metavar="ADDRESS",
                       help="a running `dask scheduler` (tcp://host:8786)")
    where.add_argument("--workers", type=_workers, metavar="N",
                       help="start a cluster of N worker processes here (default: one per "
                            f"core; at most {WORKERS_PER_CORE} per core, and one per file)")
    options.add_argument("--connect-timeout", type=_seconds, default=DEFAULT_CONNECT_TIMEOUT,
                         metavar="SECONDS", help="give up on a scheduler that does not answer "
                                                 f"(default: {DEFAULT_CONNECT_TIMEOUT:g})")
    options.add_argument("-a", "--algorithm", choices=("block", "dom"), default="block",
                         help="block (default) or dom, as korvane's --algorithm")
    options.add_argument("--max-page-size", type=_size, default=DEFAULT_MAX_PAGE_SIZE,
                         metavar="SIZE", help="refuse larger pages as errors; SIZE in bytes, "
                                              "or with K, M or G (default: 64M)")
    return parser


def arguments(argv: Optional[Sequence[str]]) -> argparse.Namespace:
    parser = _parser()
    parsed = parser.parse_args(argv)
    if "-" in parsed.inputs:
        parser.error("standard input cannot be sent to workers; name files")
    if not parsed.output_dir:
        parser.error("--output-dir needs a folder")
    return parsed
