#pragma once
// The benchmark program doubles as the child process that measures the peak
// memory of one send: a fresh process, so that earlier benchmarks have not
// already raised the high-water mark.

// The first argument that starts the program as that child; the next two
// are the sink's port and the attachment's native path.
inline constexpr const char* kMeasureSendPeakFlag = "--measure-send-peak";

// Sends the 20 MB message once with TZnSMTP to the port and prints how far
// the peak resident size of the process rose, then that peak, both in KiB.
// Needs the application object. Returns the process's exit status.
int MeasureSendPeak(int port, const char* attachmentPath);
