// What the form's handlers ask of the radio link. The window passes the requests on to the link
// object on its thread; the answers come back later as calls of the *Finished handlers in
// radio_handlers.h. Tests record them. The exchanges (Read, Write) are asked by the job runner,
// each under the id its answer carries back.
#pragma once

#include <QString>

#include "job/job_runner.h"

namespace belvan {

class LinkRequests : public JobLink {
  public:
    virtual void OpenPort(const QString& portName) = 0;
    virtual void Poll(quint64 ticket) = 0;
    // Drops what arrived while a failure was shown (a late frame), until the line is quiet.
    virtual void DiscardInput() = 0;
};

}  // namespace belvan
