#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The radio environment, the instrument's walk and the board's identity of
// one simulated session. Loaded from JSON; CScenario::Default() is the
// built-in one.
class CScenario {
public:
    // One access point of a scenario. Positions are metres east and north of the
    // scenario's origin.
    struct AccessPoint {
        std::array<uint8_t, 6> mac{};
        std::string ssid;
        int channel = 1;
        bool privacy = false;
        double txPowerDbm = 17.0;
        double x = 0.0;
        double y = 0.0;
        double delaySpreadNs = 60.0;
        double rateMbps = 11.0;
        double beaconIntervalTu = 100.0;
        // Downlink data frames per second to its clients, besides beacons.
        double framesPerSecond = 3.0;
        // Share of a sweep's dwell in which the transmitter is seen on the air.
        double activity = 0.6;
        // Whether the site's owner lists it; only documentation for the board,
        // which knows nothing of the program's lists, and the source of
        // CScenario::AuthorizedMacTexts.
        bool authorized = true;
    };

    // A client station, associated with one access point and on its channel.
    struct Client {
        std::array<uint8_t, 6> mac{};
        size_t ap = 0;  // index into m_aAccessPoints
        double txPowerDbm = 15.0;
        double x = 0.0;
        double y = 0.0;
        double delaySpreadNs = 80.0;
        double rateMbps = 11.0;
        double framesPerSecond = 2.0;
    };

    // A non-802.11 emitter raising the noise floor over part of the band.
    struct Interferer {
        std::string name;
        double centreMhz = 2450.0;
        double widthMhz = 10.0;
        double levelDbm = -80.0;
        double duty = 0.5;
    };

    std::string m_strName = "unnamed";
    std::string m_strFirmware = "V 1.21 ORV-RF 2.4";
    std::string m_strSerial = "ORV2400-0001";

    double m_dOriginLat = 0.0;
    double m_dOriginLon = 0.0;
    double m_dOriginHeightM = 0.0;
    // UTC seconds since the epoch at board power-on (2026-01-01 00:00:00).
    int64_t m_nStartTime = 1767225600;

    double m_dNoiseFloorDbm = -96.0;
    double m_dReferenceLossDb = 40.0;  // at 1 m
    double m_dPathLossExponent = 3.0;
    double m_dShadowingDb = 4.0;  // deviation of the log-normal shadowing
    double m_dRicianK = 4.0;      // line-of-sight to scattered power of the fading
    std::vector<int> m_anHopChannels;
    int m_nDwellMs = 300;

    std::vector<Interferer> m_aInterferers;
    std::vector<AccessPoint> m_aAccessPoints;
    std::vector<Client> m_aClients;

    bool m_bHasTrack = false;
    std::vector<std::array<double, 2>> m_aWaypoints;  // metres east, north
    double m_dWalkSpeed = 1.4;                        // m/s
    bool m_bTrackLoops = true;

    // Seconds after power-on at which the battery runs low; negative: never.
    double m_dBatteryLowAfterS = -1.0;

    // Parses a scenario from JSON text. On failure returns -1 and sets
    // `error` to "NAME:LINE: problem" (NAME is `sourceName`).
    static int Parse(std::string_view text, std::string_view sourceName, CScenario& out,
                     std::string& error);
    // Reads and parses a file; errors as for Parse, or "NAME: cannot read".
    static int Load(const std::string& path, CScenario& out, std::string& error);

    // The built-in scenario, as JSON text and parsed.
    static std::string_view DefaultText();
    static CScenario Default();

    // MAC texts ("%02X-%02X-..." as the program keys them) of the access
    // points marked authorized, for writing an authorized list.
    std::vector<std::string> AuthorizedMacTexts() const;

    // "%02X-%02X-%02X-%02X-%02X-%02X" of a MAC address.
    static std::string MacText(const std::array<uint8_t, 6>& mac);
};
