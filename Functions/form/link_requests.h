// What the form's handlers ask of the radio link. The window passes the requests on to the link
// object on its thread; the answers come back later as calls of the *Finished handlers in
// radio_handlers.h. Tests record them.
#pragma once

#include <QString>

#include "image/parameter_image.h"

namespace belvan {

class LinkRequests {
  public:
    virtual ~LinkRequests() = default;
    virtual void OpenPort(const QString& portName) = 0;
    virtual void Poll(quint64 ticket) = 0;
    virtual void Read() = 0;
    virtual void Write(const ParameterImage& image) = 0;
    // Drops what arrived while a failure was shown (a late frame), until the line is quiet.
    virtual void DiscardInput() = 0;
};

}  // namespace belvan
