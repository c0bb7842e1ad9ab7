"""Stand-in for sherpa-onnx's offline speaker diarization: scripted speaker turns."""

from types import SimpleNamespace

from stubscript import log, native_call, script


class _Config(SimpleNamespace):
    pass


class OfflineSpeakerSegmentationPyannoteModelConfig(_Config):
    def __init__(self, model=""):
        super().__init__(model=model)


class OfflineSpeakerSegmentationModelConfig(_Config):
    def __init__(self, pyannote, num_threads=1, debug=False, provider="cpu"):
        super().__init__(pyannote=pyannote, num_threads=num_threads, debug=debug, provider=provider)


class SpeakerEmbeddingExtractorConfig(_Config):
    def __init__(self, model, num_threads=1, debug=False, provider="cpu"):
        super().__init__(model=model, num_threads=num_threads, debug=debug, provider=provider)


class FastClusteringConfig(_Config):
    def __init__(self, num_clusters=-1, threshold=0.5):
        # The binding takes a C++ int32: a larger count is a TypeError, after all the work.
        if not -(2**31) <= num_clusters < 2**31:
            raise TypeError("__init__(): incompatible constructor arguments")
        super().__init__(num_clusters=num_clusters, threshold=threshold)


class OfflineSpeakerDiarizationConfig(_Config):
    def __init__(self, segmentation, embedding, clustering, min_duration_on=0.3, min_duration_off=0.5):
        super().__init__(
            segmentation=segmentation,
            embedding=embedding,
            clustering=clustering,
            min_duration_on=min_duration_on,
            min_duration_off=min_duration_off,
        )

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
            segmentation_threads=self.config.segmentation.num_threads,
            embedding_threads=self.config.embedding.num_threads,
        )
        plan = script()
        # The real binding keeps the global lock through segmentation and clustering.
        native_call("diarize")
        turns = [SimpleNamespace(start=s, end=e, speaker=k) for s, e, k in plan.get("turns", [])]
        # The real engine reports processed chunks of the audio and stops on a non-zero answer.
        chunks = plan.get("chunks", 0)
        for done in range(1, chunks + 1):
            if callback and callback(done, chunks) != 0:
                break
        return _Result(reversed(turns))
