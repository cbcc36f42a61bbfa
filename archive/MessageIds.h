// Names for the message catalogue's ids (texts in Messages.rc).
#pragma once

namespace tavrix::archive::msg {

inline constexpr int kFirstId = 10101;
inline constexpr int kLastId = 11047;

inline constexpr int PackAbort = 10101;
inline constexpr int NoZipFile = 10102;
inline constexpr int OutOfMemory = 10103;
inline constexpr int PasswordsDiffer = 10104;
inline constexpr int Copying = 10105;
inline constexpr int NoAddPassword = 10150;
inline constexpr int NoExtractPassword = 10151;
inline constexpr int ListSeekError = 10201;
inline constexpr int ListUnknownError = 10202;
inline constexpr int StructureWarning = 10203;
inline constexpr int GarbageWarning = 10204;
inline constexpr int NoFilesToZip = 10301;
inline constexpr int UnattendedNoPassword = 10302;
inline constexpr int SpanFreshenUpdate = 10303;
inline constexpr int AutoSfxError = 10304;
inline constexpr int CompleteVolumes = 10305;
inline constexpr int NoFilesToDelete = 10401;
inline constexpr int UnpackAbort = 10501;
inline constexpr int UnattendedExtract = 10502;
inline constexpr int PackLoaded = 10601;
inline constexpr int PackExecMissing = 10602;
inline constexpr int PackVersionMissing = 10603;
inline constexpr int PackNotFound = 10604;
inline constexpr int UnpackLoaded = 10701;
inline constexpr int UnpackExecMissing = 10702;
inline constexpr int UnpackVersionMissing = 10703;
inline constexpr int UnpackNotFound = 10704;
inline constexpr int SfxStringsTooLong = 10801;
inline constexpr int SfxStubNotFound = 10802;
inline constexpr int SfxNotAZip = 10803;
inline constexpr int ZipNoExe = 10901;
inline constexpr int ZipNotAnExe = 10902;
inline constexpr int ZipNoSfxPrefix = 10903;
inline constexpr int InputMissing = 11001;
inline constexpr int CannotOpen = 11002;
inline constexpr int InvalidDrive = 11003;
inline constexpr int DriveUndefined = 11004;
inline constexpr int VolumeLabelFailed = 11005;
inline constexpr int MsgBoxFailed = 11006;
inline constexpr int UserCanceled = 11007;
inline constexpr int SeekError = 11008;
inline constexpr int OutputCreateFailed = 11009;
inline constexpr int WriteError = 11010;
inline constexpr int EndRecordReadError = 11011;
inline constexpr int LocalHeaderReadError = 11012;
inline constexpr int CentralHeaderReadError = 11013;
inline constexpr int LocalSignatureWrong = 11014;
inline constexpr int CentralSignatureWrong = 11015;
inline constexpr int LocalNameReadError = 11016;
inline constexpr int CentralNameReadError = 11017;
inline constexpr int LocalExtraReadError = 11018;
inline constexpr int CentralExtraReadError = 11019;
inline constexpr int DataDescriptorError = 11020;
inline constexpr int ZippedDataReadError = 11021;
inline constexpr int FileCommentReadError = 11022;
inline constexpr int ArchiveCommentReadError = 11023;
inline constexpr int SpanUnknownError = 11024;
inline constexpr int UnattendedSpanning = 11025;
inline constexpr int EntryNotFound = 11026;
inline constexpr int TempFileFailed = 11027;
inline constexpr int LocalHeaderWriteError = 11028;
inline constexpr int CentralHeaderWriteError = 11029;
inline constexpr int EndRecordWriteError = 11030;
inline constexpr int SpanMarkerWrong = 11031;
inline constexpr int NotEnoughFreeSpace = 11032;
inline constexpr int InsertLastDisk = 11033;
inline constexpr int InsertVolumeOf = 11034;
inline constexpr int InDrive = 11035;
inline constexpr int NotAZipArchive = 11036;
inline constexpr int FirstDiskOfSet = 11037;
inline constexpr int NthDiskOfSet = 11038;
inline constexpr int OverwriteFile = 11039;
inline constexpr int OverwritePreviousDisk = 11040;
inline constexpr int SfxNotSpannable = 11041;
inline constexpr int FirstFileOfSet = 11045;
inline constexpr int InsertVolume = 11046;
inline constexpr int CentralDirectory = 11047;

}  // namespace tavrix::archive::msg
