// The watch for the radio's 23-byte announcement, which begins with 0x10: the window's, one byte
// a tick, and the programming station's, which listens to whole messages.
#pragma once

#include "line.h"

namespace belvan {

inline constexpr int kWatchIntervalMs = 30;

// Takes one byte of what has arrived; when it is 0x10, reads the 22 bytes that follow under the
// read rule and returns true. Never waits while nothing has arrived.
bool PollRadioMessage(Line& line);

// --- The programming station's watch -------------------------------------------------------
//
// The station writes every radio that announces itself, so it must not be fooled by line noise,
// by a radio that announces over and over, or by the tail of an exchange. Its rules:
//
// - A message is what arrives with no gap longer than the read rule's kReadGapMs between two
//   bytes. An announcement is a message of exactly 23 bytes that begins with 0x10; anything else
//   (a lone byte of noise, a late frame, junk glued to an announcement) is drained whole and
//   dropped.
// - A radio is counted once. After an announcement, and after a job on the port, the radio is
//   taken as still there until kStationQuietMs pass without an announcement; an announcement
//   before that is not a new radio, and the watch says why (the radio just worked with, or the
//   one that announced last). Only a whole announcement is a sign of a radio: junk, a late frame
//   or a stray byte never keeps one there. A port that is lost and opened again starts afresh.
// - A poll listens for about kStationListenMs and ends between messages, so that the arrival of
//   each byte is seen; polls follow one another without a pause. A long listen keeps the gaps
//   judged on the line's own thread: whoever asks for the next poll may be held up, and bytes
//   left waiting meanwhile would run together.

inline constexpr int kStationQuietMs = 1500;
inline constexpr int kStationListenMs = 1000;
// A poll that keeps receiving a message without a gap gives up after this long; the message goes
// on in the next poll.
inline constexpr int kStationLongestPollMs = 2000;

enum class StationEvent {
    Nothing,    // no announcement (junk, if any, was dropped)
    NewRadio,   // an announcement after the quiet time: a radio to program
    SameRadio,  // an announcement within the quiet time of the one before it
    LineBusy,   // an announcement within the quiet time after a job on the port
};

// What the station's watch keeps between polls of one line.
struct StationWatch {
    qint64 messageLength = 0;         // bytes of the message being received
    bool startsAnnouncement = false;  // its first byte is 0x10
    qint64 lastByteAt = 0;            // line time of the last byte taken
    bool radioPresent = false;        // a radio was counted and the quiet time has not passed since
    bool afterJob = false;            // ... counted by the job, with no announcement since
    qint64 heardAt = 0;  // line time of the last announcement, or of the end of the last job

    // A job on the port has just ended: its radio counts as still there for the quiet time.
    void JobEnded(qint64 now) {
        radioPresent = true;
        afterJob = true;
        heardAt = now;
    }
};

// Listens to the line for about `listenMs` (longer while a message is coming in, never more than
// kStationLongestPollMs) and returns as soon as an announcement has ended, with what it was.
StationEvent PollStation(Line& line, StationWatch& watch, qint64 listenMs = kStationListenMs);

}  // namespace belvan
