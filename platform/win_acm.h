// Audio conversion with the calls the WAV loader was designed around. The
// only converter turns PCM (8-bit unsigned; 16-, 24- and 32-bit signed) and
// 32-bit float, 1 to 8 channels at any rate, into 44100 Hz mono 16-bit: the
// mean of the channels, resampled by linear interpolation. Data already in
// that format is copied unchanged. Any other pair of formats is refused.
#pragma once

#include "platform/win_mmsystem.h"

struct AcmStream;
typedef AcmStream* HACMSTREAM;
typedef void* HACMDRIVER;
struct WAVEFILTER;

struct ACMSTREAMHEADER
{
    DWORD cbStruct;
    DWORD fdwStatus;
    DWORD_PTR dwUser;
    const BYTE* pbSrc;
    DWORD cbSrcLength;
    DWORD cbSrcLengthUsed;
    DWORD_PTR dwSrcUser;
    BYTE* pbDst;
    DWORD cbDstLength;
    DWORD cbDstLengthUsed;
    DWORD_PTR dwDstUser;
    DWORD dwReservedDriver[10];
};

enum : DWORD
{
    ACMSTREAMHEADER_STATUSF_DONE = 0x00010000,
    ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000,
    ACM_STREAMOPENF_QUERY = 0x1,
    ACM_STREAMOPENF_ASYNC = 0x2,
    ACM_STREAMOPENF_NONREALTIME = 0x4,
    ACM_STREAMSIZEF_SOURCE = 0x0,
    ACM_STREAMSIZEF_DESTINATION = 0x1,
};

enum : MMRESULT
{
    ACMERR_NOTPOSSIBLE = 512,
    ACMERR_UNPREPARED = 514,
};

// A converted sound larger than this is refused (about 50 minutes).
constexpr DWORD kAcmMaxDestinationBytes = 1u << 28;

// A source with cbSize 22 or more must be a whole WAVEFORMATEXTENSIBLE.
MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER driver, const WAVEFORMATEX* source,
                       const WAVEFORMATEX* destination, WAVEFILTER* filter, DWORD_PTR callback,
                       DWORD_PTR instance, DWORD flags);
MMRESULT acmStreamSize(HACMSTREAM stream, DWORD input, DWORD* output, DWORD flags);
MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD flags);
MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD flags);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD flags);
MMRESULT acmStreamClose(HACMSTREAM stream, DWORD flags);
