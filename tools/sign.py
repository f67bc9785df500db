#!/usr/bin/python3
"""Signs a Windows executable or installer package with an Authenticode signature (SHA-256),
with Debian's osslsigncode. The build calls it for zub_launcher.exe and for the MSI when
ZUB_SIGN_PKCS12 is set (cmake/sign.cmake).

Usage: sign.py --pkcs12 FILE [--timestamp-url URL] IN OUT     (IN and OUT may be the same file)

FILE holds the code-signing certificate with its private key. Its password comes from the
environment variable ZUB_SIGN_PASSWORD (empty for a file without one) and reaches osslsigncode
through a pipe, never on a command line. URL names an RFC 3161 timestamp server. On failure OUT
does not exist afterwards: an unsigned or stale file must not pass for the result, and the build
makes it anew next time."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

PASSWORD_VARIABLE = "ZUB_SIGN_PASSWORD"
DESCRIPTION = "ZUB Launcher"  # shown by Windows as the signed program's name


def osslsigncode_arguments(pkcs12, timestamp_url, password, source, target):
    arguments = ["osslsigncode", "sign", "-pkcs12", pkcs12, "-h", "sha256", "-n", DESCRIPTION]
    if password:
        # osslsigncode cannot read an empty password from a file; it takes none as empty.
        arguments += ["-readpass", "/dev/stdin"]
    if timestamp_url:
        arguments += ["-ts", timestamp_url]
    return arguments + ["-in", source, "-out", target]


def sign(pkcs12, timestamp_url, source, target):
    """Signs source into target; returns an error text, empty on success."""
    password = os.environ.get(PASSWORD_VARIABLE)
    if password is None:
        return "%s is not set: it holds the password of %s (empty for none)" % (
            PASSWORD_VARIABLE, pkcs12)
    folder, name = os.path.split(os.path.abspath(target))
    # osslsigncode writes only a new file: into a folder of its own beside the target, so that
    # the signed file replaces the target in one step.
    scratch = tempfile.mkdtemp(prefix=name + ".", suffix=".signing", dir=folder)
    signed = os.path.join(scratch, name)
    try:
        result = subprocess.run(
            osslsigncode_arguments(pkcs12, timestamp_url, password, source, signed),
            input=password.encode("utf-8"), stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            check=False)
        if result.returncode != 0:
            return "osslsigncode could not sign %s:\n%s" % (
                source, result.stdout.decode("utf-8", "replace"))
        os.chmod(signed, os.stat(source).st_mode & 0o7777)
        os.replace(signed, target)
        return ""
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description="Authenticode-signs an .exe or .msi.")
    parser.add_argument("--pkcs12", required=True)
    parser.add_argument("--timestamp-url", default="")
    parser.add_argument("source")
    parser.add_argument("target")
    args = parser.parse_args()
    try:
        error = sign(args.pkcs12, args.timestamp_url, args.source, args.target)
    except OSError as failure:
        error = str(failure)
    if error:
        if os.path.exists(args.target):
            os.remove(args.target)
        sys.stderr.write("sign.py: %s\n" % error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
