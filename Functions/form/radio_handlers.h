// The form's handlers that talk to the radio: the port box, the connection watch's timer, the
// read and write buttons. Each starts its part of the work and asks the link for the rest (the
// read, compare and write through the job runner); the link's answer comes back to the matching
// *Finished handler with the id of its request.
#pragma once

#include <optional>

#include "job/job_runner.h"
#include "link/radio_link.h"

namespace belvan {

struct ProgramState;

// The port box changed: Label39 emptied, the new port asked for, the watch started.
void ComboBox1Change(ProgramState& p);
// The link's word on the port: Label1 reads "открыт." or "используется." (in red, the reason in
// its tooltip). A port that came back after it was lost is watched again.
void PortStateChanged(ProgramState& p, const PortState& state);

// One tick of Timer1: the timer stops and the link polls the port.
void Timer1Timer(ProgramState& p);
// The poll's answer: "Устройство подключено." and the timer left stopped, or the timer again.
// An answer to a poll that the window no longer waits for is dropped.
void PollFinished(ProgramState& p, quint64 ticket, bool announced);

// "Прочитать": the watch stops, the buttons hide, the link reads.
void Button5Click(ProgramState& p);
// "Сравнить с радиостанцией": the radio is read (and kept as a backup, as every read is) and what
// differs from the plan on screen is listed; the plan stays as it is.
void CompareWithRadio(ProgramState& p);
// The link's answer to a read of the job under way (an answer to anything else changes nothing).
// The plan and the radio-wide controls are replaced only by a frame that passed both checksums;
// a failed read leaves them, the list selection and the watch as they were. The job's outcome
// once it ended.
std::optional<JobOutcome> ReadFinished(ProgramState& p, quint64 id, const ReadResult& result);

// "Записать": the image of the plan is made and sent. An encoding error brings the buttons and
// the watch back at once and goes on up; nothing is sent.
void Button6Click(ProgramState& p);
// The link's answer to the write; the job's outcome once it ended (no check follows, or the
// write failed).
std::optional<JobOutcome> WriteFinished(ProgramState& p, quint64 id, const WriteResult& result);

// The plan on screen is now what the radio holds: a read taken in, or a write acknowledged (and,
// when checked, found in the radio).
bool PlanIsTheRadios(const JobOutcome& outcome);

}  // namespace belvan
