"""Stand-in for CTranslate2: only the device count the worker asks for."""

from stubscript import script


def get_cuda_device_count():
    return script().get("cudaDevices", 0)
