#pragma once

// How long the operations wait for devices. The defaults are what devices
// are built for; tests shorten them to exercise time-outs quickly.
struct TransferTimings {
    int replyTimeoutMs = 5000; // one request's reply
    int pollTimeoutMs = 5000;  // one completion poll's reply
    int pollSleepMs = 500;     // pause before every poll
    int maxPolls = 10;
    int connectTimeoutMs = 5000; // TCP connection
    int ioTimeoutMs = 5000;      // TCP data and resume offset
    int maxAttempts = 11;        // TCP attempts: the first and ten resumes

    static TransferTimings forUpload() {
        TransferTimings t;
        t.replyTimeoutMs = t.pollTimeoutMs = t.connectTimeoutMs = t.ioTimeoutMs = 15000;
        return t;
    }
    static TransferTimings forRequest() { return TransferTimings(); }
};
