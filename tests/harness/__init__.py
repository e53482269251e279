"""Machinery of Nimbara's Wine-based tests: environments, the probe's client, waiting."""

from harness.probe_client import Probe, ProbeError
from harness.waiting import WaitTimeout, wait_until
from harness.winenv import WineEnv, build_dir, probe_exe, windows_path

__all__ = ["Probe", "ProbeError", "WaitTimeout", "WineEnv", "build_dir", "probe_exe",
           "wait_until", "windows_path"]
