# SPDX-License-Identifier: Apache-2.0
"""make_completion.py on a command with a subcommand, listed by its --help
(as CLI11's subcommands are) or named on make_completion.py's command line
(as korvane serve, which korvane's parser never sees): each word position
gets its own command's options, values and operands."""

import pathlib
import subprocess
import sys
import textwrap

import pytest

from conftest import bash_complete

MAKE_COMPLETION = (pathlib.Path(__file__).parents[2] / "packaging" / "completion" /
                   "make_completion.py")

MAIN_HELP = """\
tool: a command in the layout of korvane's parser.
Usage: tool [OPTIONS] [inputs...] [SUBCOMMAND]

Positionals:
  inputs PATH ... Excludes: --stdin
                              pages

Options:
  -h,--help                   Print this help message and exit
  -f,--format FORMAT:{record,jsonl} Excludes: --out
                              the format: record or jsonl
  --stdin Excludes: inputs
                              read standard input
  -j,--jobs N:UINT in [1 - 1024]
                              jobs

Subcommands:
  serve                       answer conversions: over HTTP
"""

# Its help without the subcommand, for a tool that dispatches it first.
MAIN_HELP_UNLISTED = MAIN_HELP.split("\nSubcommands:")[0]

SERVE_HELP = """\
tool serve: answer conversions: over HTTP. Until stopped.
Usage: tool serve [OPTIONS]

Options:
  -h,--help                   Print this help message and exit
  -p,--port PORT              listen on PORT
  --root DIR                  files under DIR
  --mode NAME:{fast,exact}    the mode
"""


@pytest.fixture(scope="module", params=["listed", "named"])
def scripts(request, tmp_path_factory):
    """The bash and zsh files made for `tool`, a program that prints the
    help above, its subcommand listed in its help or named to
    make_completion.py."""
    listed = request.param == "listed"
    folder = tmp_path_factory.mktemp("completion")
    tool = folder / "tool"
    main_help = MAIN_HELP if listed else MAIN_HELP_UNLISTED
    tool.write_text(textwrap.dedent(f"""\
        #!{sys.executable}
        import sys
        sys.stdout.write({SERVE_HELP!r} if sys.argv[1] == "serve" else {main_help!r})
        """))
    tool.chmod(0o755)
    bash, zsh = folder / "tool.bash", folder / "_tool"
    named = [] if listed else ["serve"]
    subprocess.run([sys.executable, str(MAKE_COMPLETION), str(tool), str(bash), str(zsh), *named],
                   check=True)
    (folder / "root").mkdir()
    (folder / "page.html").write_text("")
    return folder, bash, zsh


CASES = [
    (["tool", "-"], ["--format", "--help", "--jobs", "--stdin", "-f", "-h", "-j"]),
    (["tool", "--format", ""], ["jsonl", "record"]),
    (["tool", "-j", ""], []),
    (["tool", ""], ["page.html", "root", "serve", "tool", "tool.bash", "_tool"]),
    (["tool", "se"], ["serve"]),
    (["tool", "serve", "--"], ["--help", "--mode", "--port", "--root"]),
    (["tool", "serve", "--mode", ""], ["exact", "fast"]),
    (["tool", "serve", "--root", ""], ["root"]),
    (["tool", "-j", "2", "serve", "--f"], ["--format"]),  # a subcommand only as the first word
    (["tool", "serve", "x"], []),  # serve takes no operands
]


def test_bash_completes_each_commands_own_options_values_and_operands(scripts):
    folder, bash, _ = scripts
    for words, expected in CASES:
        assert bash_complete(bash, words, folder) == sorted(expected), words


def test_zsh_dispatches_on_the_subcommand_and_describes_it(scripts):
    _, _, zsh = scripts
    subprocess.run(["zsh", "-n", str(zsh)], check=True)
    text = zsh.read_text()
    assert "'serve:answer conversions\\: over HTTP'" in text
    assert "'--mode[the mode]:NAME:(fast exact)'" in text
    assert ("'(-f --format)'{-f,--format}'[the format: record or jsonl]:FORMAT:(record jsonl)'"
            in text)
    assert "'--root[files under DIR]:DIR:_files -/'" in text
