#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

// A real gpsd fed by gpsfake from an NMEA capture written for the test, on a
// free loopback port. gpsfake and its gpsd run in a process group of their
// own, which Stop (and the destructor) ends, so no daemon outlives a test,
// passed or failed.
class CGpsdFake {
public:
    // One epoch of the capture: UTC time of day, position and motion.
    struct Epoch {
        int hhmmss = 0;
        double latitude = 0.0;   // degrees, south negative
        double longitude = 0.0;  // degrees, west negative
        double altitudeM = 0.0;  // used only with a 3D fix
        bool b3D = false;
        double speedKnots = 0.0;
        double courseDeg = 0.0;
    };

    // Why gpsd cannot run here (gpsfake or gpsd missing), or empty.
    static std::string Unavailable();
    // The capture's text: RMC, GGA, GSA and GSV sentences per epoch with
    // their checksums, date `ddmmyy`.
    static std::string Capture(const std::vector<Epoch>& epochs, const std::string& ddmmyy);
    // The capture of a short walk: five epochs a second apart from `first`,
    // the latitude moving by `latitudeStep` degrees each second.
    static std::string Walk(const Epoch& first, double latitudeStep, const std::string& ddmmyy);
    // A loopback port nobody listens on at the moment.
    static int FreePort();

    explicit CGpsdFake(std::filesystem::path folder);
    ~CGpsdFake();
    CGpsdFake(const CGpsdFake&) = delete;
    CGpsdFake& operator=(const CGpsdFake&) = delete;

    // Writes the capture and starts gpsfake replaying it in a loop on `port`,
    // one sentence every 50 ms; returns once gpsd accepts connections.
    // 0, or -1 (the reason is in gpsfake's output file, Output()).
    int Start(int port, const std::string& capture);
    void Stop();
    bool Running() const { return m_nPid > 0; }
    std::string Output() const;

private:
    std::filesystem::path m_folder;
    pid_t m_nPid = -1;
    int m_nStarts = 0;
};
