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
//   taken as still there until the line has been quiet (not a single byte) for kStationQuietMs;
//   an announcement before that is the same radio again, not a new one. A port that is lost and
//   opened again starts afresh.
// - A poll listens for about kStationListenMs and ends between messages, so that the arrival of
//   each byte is seen; polls follow one another without a pause.

inline constexpr int kStationQuietMs = 1500;
inline constexpr int kStationListenMs = 100;
// A poll that keeps receiving a message without a gap gives up after this long; the message goes
// on in the next poll.
inline constexpr int kStationLongestPollMs = 1000;

enum class StationEvent {
    Nothing,    // no announcement (junk, if any, was dropped)
    NewRadio,   // an announcement after a quiet line: a radio to program
    SameRadio,  // an announcement from the radio already counted
};

// What the station's watch keeps between polls of one line.
struct StationWatch {
    qint64 messageLength = 0;         // bytes of the message being received
    bool startsAnnouncement = false;  // its first byte is 0x10
    qint64 lastByteAt = 0;            // line time of the last byte taken
    bool radioPresent = false;        // a radio was counted and the line has not gone quiet since
    qint64 heardAt = 0;               // line time of the last byte, or of the end of the last job

    // A job on the port has just ended: its radio counts as still there until the line goes
    // quiet.
    void JobEnded(qint64 now) {
        radioPresent = true;
        heardAt = now;
    }
};

// Listens to the line for about `listenMs` (longer while a message is coming in, never more than
// kStationLongestPollMs) and returns as soon as a new radio has announced itself.
StationEvent PollStation(Line& line, StationWatch& watch, qint64 listenMs = kStationListenMs);

}  // namespace belvan
