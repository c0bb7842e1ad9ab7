"""What the stub engines do and what they were asked, shared through two files named in the
environment: TELVORA_STUB_SCRIPT (JSON, read) and TELVORA_STUB_LOG (JSON lines, appended)."""

import json
import os


def script():
    with open(os.environ["TELVORA_STUB_SCRIPT"], encoding="utf-8") as file:
        return json.load(file)


def log(call, **details):
    with open(os.environ["TELVORA_STUB_LOG"], "a", encoding="utf-8") as file:
        file.write(json.dumps({"call": call, **details}) + "\n")
