"""Stand-in for onnxruntime's model loading. A stub model is a JSON object whose "metadata"
is the model's custom metadata; anything else fails to load, as a damaged model does."""

import json
from types import SimpleNamespace

from stubscript import native_call


class SessionOptions:
    def __init__(self):
        self.log_severity_level = 2


class InferenceSession:
    def __init__(self, path_or_bytes, sess_options=None, providers=None, provider_options=None, **kwargs):
        native_call("validate")
        with open(path_or_bytes, "rb") as file:
            try:
                model = json.loads(file.read().decode("utf-8"))
            except (UnicodeDecodeError, ValueError) as error:
                raise RuntimeError(f"[ONNXRuntimeError] : 7 : INVALID_PROTOBUF : Load model failed: {error}")
        self.metadata = {str(k): str(v) for k, v in model.get("metadata", {}).items()}

    def get_modelmeta(self):
        return SimpleNamespace(custom_metadata_map=self.metadata)
