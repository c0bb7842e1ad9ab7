"""Stand-in for sherpa-onnx's offline speaker diarization: scripted speaker turns."""

from types import SimpleNamespace

from stubscript import log, script


class _Config(SimpleNamespace):
    pass


class OfflineSpeakerSegmentationPyannoteModelConfig(_Config):
    pass


class OfflineSpeakerSegmentationModelConfig(_Config):
    pass


class SpeakerEmbeddingExtractorConfig(_Config):
    pass


class FastClusteringConfig(_Config):
    pass


class OfflineSpeakerDiarizationConfig(_Config):
    def validate(self):
        return True


class _Result(list):
    def sort_by_start_time(self):
        return sorted(self, key=lambda turn: turn.start)


class OfflineSpeakerDiarization:
    sample_rate = 16000

    def __init__(self, config):
        self.config = config

    def process(self, samples, callback=None):
        log(
            "diarize",
            samples=len(samples),
            segmentation=self.config.segmentation.pyannote.model,
            embedding=self.config.embedding.model,
            num_clusters=self.config.clustering.num_clusters,
        )
        plan = script()
        turns = [SimpleNamespace(start=s, end=e, speaker=k) for s, e, k in plan.get("turns", [])]
        # The real engine reports processed chunks of the audio and stops on a non-zero answer.
        chunks = plan.get("chunks", 0)
        for done in range(1, chunks + 1):
            if callback and callback(done, chunks) != 0:
                break
        return _Result(reversed(turns))
