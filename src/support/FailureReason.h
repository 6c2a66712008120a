// Why a run ended through the failure path. Every reason is named once here, with its text
// beside it. Tests assert the text and stubpack prints it; the texts are compiled into the
// Linux build only (FailureReasonText.cpp): the Windows stub never shows a reason.
#pragma once
#include <stdint.h>

// X(Name, "text") for every reason, grouped by the part of the stub that gives it.
#define STUBKIT_FAILURE_REASONS(X)                                                          \
  X(None, "")                                                                               \
  /* support */                                                                             \
  X(OutOfMemory, "out of memory")                                                           \
  X(VectorTooLarge, "vector too large")                                                     \
  X(StringIndexOutOfRange, "string index out of range")                                     \
  X(StringTooLong, "string too long")                                                       \
  X(NameNotRepresentable, "name not representable in the code page")                        \
  X(PureVirtualCall, "pure virtual call")                                                   \
  /* driver */                                                                              \
  X(StubFileNotFound, "stub file not found")                                                \
  X(ModuleFileNameUnavailable, "module file name unavailable")                              \
  X(TempDirectoryNameTooLong, "temporary directory name too long")                          \
  X(TempDirectoryAccessListNotMade, "temporary directory access list not made")             \
  X(TempDirectoryNotCreated, "temporary directory not created")                             \
  X(TempDirectoryNotEntered, "temporary directory cannot be entered")                       \
  X(SetupProgramNotStarted, "setup program cannot be started")                              \
  X(OptionsResourceDamaged, "options resource damaged")                                     \
  /* archive: the file, the signature and the headers */                                   \
  X(InputFileNotOpened, "open input file")                                                  \
  X(ReadBeforeStartOfFile, "read before start of file")                                     \
  X(ShortRead, "short read")                                                                \
  X(SignatureNotFound, "signature not found")                                               \
  X(UnsupportedVersion, "unsupported version")                                              \
  X(StartHeaderCrcMismatch, "start header CRC mismatch")                                    \
  X(HeaderOutsideFile, "header outside file")                                               \
  X(HeaderCrcMismatch, "header CRC mismatch")                                               \
  X(NotPlainHeader, "not a plain header")                                                   \
  X(ArchiveProperties, "archive properties")                                                \
  X(MainStreamsInfoMissing, "main streams info missing")                                    \
  X(FilesInfoExpected, "files info expected")                                               \
  X(AdditionalStreamCrcMismatch, "additional stream CRC mismatch")                          \
  X(MemoryStreamTooLarge, "memory stream too large")                                        \
  X(ExternalDataMissing, "external data missing")                                           \
  /* archive: reading header records */                                                     \
  X(NoHeaderBuffer, "no header buffer")                                                     \
  X(HeaderTruncated, "header truncated")                                                    \
  X(NumberBeyond32Bits, "number beyond 32 bits")                                            \
  X(MissingProperty, "missing property")                                                    \
  X(RepeatedProperty, "repeated property")                                                  \
  X(BitVectorBeyondHeader, "bit vector beyond header")                                      \
  X(DigestCountBeyondHeader, "digest count beyond header")                                  \
  X(PackStreamCountBeyondHeader, "pack stream count beyond header")                         \
  X(FolderCountBeyondHeader, "folder count beyond header")                                  \
  X(UnpackSizeCountBeyondHeader, "unpack size count beyond header")                         \
  X(SubStreamCountBeyondHeader, "sub-stream count beyond header")                           \
  X(CoderCountBeyondHeader, "coder count beyond header")                                    \
  X(MethodIdBeyondHeader, "method id beyond header")                                        \
  X(PropertySizeBeyondHeader, "property size beyond header")                                \
  X(BindPairCountBeyondHeader, "bind pair count beyond header")                             \
  X(PackedStreamCountBeyondHeader, "packed stream count beyond header")                     \
  X(FileCountBeyondHeader, "file count beyond header")                                      \
  /* archive: records that do not line up */                                                \
  X(FolderWithoutCoders, "folder without coders")                                           \
  X(FolderWithoutOutput, "folder without output")                                           \
  X(StreamIndexOutOfRange, "stream index out of range")                                     \
  X(MoreBindPairsThanInStreams, "more bind pairs than in-streams")                          \
  X(UnpackStreamCountMismatch, "unpack stream count mismatch")                              \
  X(SubStreamSizesExceedFolder, "sub-stream sizes exceed folder")                           \
  X(SubStreamCountMismatch, "sub-stream count mismatch")                                    \
  X(DigestCountMismatch, "digest count mismatch")                                           \
  X(EmptyEntryCountMismatch, "empty entry count mismatch")                                  \
  X(PackStreamCountMismatch, "pack stream count mismatch")                                  \
  X(PackedDataBeyond4GiB, "packed data beyond 4 GiB")                                       \
  X(FolderWithoutUnboundOutput, "folder without unbound output")                            \
  X(FolderWithoutThatPackedStream, "folder without that packed stream")                     \
  X(EntryWithoutFolder, "entry without folder")                                             \
  /* decode: binding a folder's coders */                                                   \
  X(StreamNumberBeyondAllCoders, "stream number beyond all coders")                         \
  X(MoreCodersThanFolderLists, "more coders than the folder lists")                         \
  X(CoderWithSeveralOutStreams, "coder with several out-streams")                           \
  X(SizesForMissingCoder, "sizes for a missing coder")                                      \
  X(CoderCountDiffersFromFolder, "coder count differs from folder")                         \
  X(BoundOutputOfMultiStreamCoder, "bound output of a multi-stream coder")                  \
  X(OutStreamBoundTwice, "out-stream bound twice")                                          \
  X(CoderInStreamNotConnected, "coder in-stream not connected")                             \
  X(CodersFeedEachOtherInCycle, "coders feed each other in a cycle")                        \
  X(StreamCountsDifferFromFolder, "stream counts differ from folder")                       \
  X(FolderOutputNotAccepted, "folder output not accepted")                                  \
  X(FolderStreamNumberBeyond32Bits, "folder stream number beyond 32 bits")                  \
  X(PackedStreamBeyond4GiB, "packed stream beyond 4 GiB")                                   \
  X(UnsupportedSingleStreamMethod, "unsupported single-stream method")                      \
  X(UnsupportedMultiStreamMethod, "unsupported multi-stream method")                        \
  X(OutStreamWithoutUnpackSize, "out-stream without unpack size")                           \
  X(BoundStreamWithoutSize, "bound stream without size")                                    \
  X(InStreamNeitherBoundNorPacked, "in-stream neither bound nor packed")                    \
  /* decode: the coders */                                                                  \
  X(Bcj2GivenProperties, "BCJ2 coder given properties")                                    \
  X(Bcj2TargetStreamShort, "BCJ2 target stream short")                                      \
  X(Bcj2MainStreamShort, "BCJ2 main stream short")                                          \
  X(Bcj2DecisionStreamShort, "BCJ2 decision stream short")                                  \
  X(Bcj2StreamCounts, "BCJ2 stream counts")                                                 \
  X(LzmaAllocationTooLarge, "LZMA allocation too large")                                    \
  X(LzmaPropertiesMissing, "LZMA properties missing")                                       \
  X(LzmaDictionarySizeMissing, "LZMA dictionary size missing")                              \
  X(LzmaDictionaryTooLarge, "LZMA dictionary too large")                                    \
  X(LzmaPbAbove4, "LZMA pb above 4")                                                        \
  X(LzmaLcLpAbove4, "LZMA lc + lp above 4")                                                 \
  X(LzmaStreamCounts, "LZMA stream counts")                                                 \
  X(LzmaOutputSizeMissing, "LZMA output size missing")                                      \
  X(LzmaCoderWithoutProperties, "LZMA coder without properties")                            \
  X(LzmaOutputBeyondWindowLimit, "LZMA output beyond window limit")                         \
  X(LzmaDecoderNotStarted, "LZMA decoder not started")                                      \
  X(CorruptLzmaData, "corrupt LZMA data")                                                   \
  /* extract */                                                                             \
  X(FolderEndedBeforeEntries, "folder ended before its entries")                            \
  X(EntryOf4GiBOrMore, "entry of 4 GiB or more")                                            \
  X(EntryCrcMismatch, "entry CRC mismatch")                                                 \
  X(EntryWithoutPath, "entry without a path")                                               \
  X(EntryPathLeavesOutputDirectory, "entry path leaves the output directory")               \
  X(EntryPathNamesDevice, "entry path names a device")                                      \
  X(FileInTheWayNotDeleted, "file in the way cannot be deleted")                            \
  X(OutputFileNotCreated, "output file cannot be created")                                  \
  X(OutputFileWriteFailed, "output file write failed")

enum class FailureReason : uint8_t {
#define STUBKIT_REASON_NAME(name, text) name,
  STUBKIT_FAILURE_REASONS(STUBKIT_REASON_NAME)
#undef STUBKIT_REASON_NAME
};

// The reason's text ("" for None). Defined in the Linux build only: a use of it in the Windows
// stub fails to link rather than carry the texts.
const char* FailureReasonText(FailureReason reason);
