"""`cmake --install` puts the package where the interpreter finds it under
the prefix, and the installed package works on its own."""

import os
import subprocess
import sys

import pytest


def test_the_installed_package_imports_and_converts(tmp_path):
    build = os.environ.get("ORVTEXT_BUILD_DIR")
    if not build:
        pytest.skip("ORVTEXT_BUILD_DIR does not name the build (run the tests through ctest)")
    prefix = tmp_path / "prefix"
    subprocess.run([os.environ["CMAKE_COMMAND"], "--install", build, "--prefix", str(prefix)],
                   check=True, capture_output=True)
    package = prefix / os.environ["ORVTEXT_PYTHON_INSTALL_DIR"]
    environment = dict(os.environ, PYTHONPATH=str(package))
    done = subprocess.run(
        [sys.executable, "-c",
         "import orvtext, orvtext.dask; print(orvtext.__file__); "
         "print(orvtext.convert(b'<p>installed</p>').decode())"],
        capture_output=True, text=True, env=environment, cwd=tmp_path, check=True)
    assert done.stdout.startswith(str(package / "orvtext" / "__init__.py"))
    assert "installed" in done.stdout
