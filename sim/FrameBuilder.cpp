#include "sim/FrameBuilder.h"

#include <algorithm>

#include "board/Wire.h"

namespace {

using Mac = std::array<uint8_t, 6>;
constexpr Mac kBroadcast = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

void Put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutMac(std::vector<uint8_t>& out, const Mac& mac) {
    out.insert(out.end(), mac.begin(), mac.end());
}

// Frame control (type, subtype, flags), duration and three addresses; the
// sequence control follows.
void Header(std::vector<uint8_t>& out, int type, int subtype, uint8_t flags, uint16_t duration,
            const Mac& a1, const Mac& a2, const Mac& a3, uint16_t sequence) {
    out.push_back(static_cast<uint8_t>((subtype << 4) | (type << 2)));
    out.push_back(flags);
    Put16(out, duration);
    PutMac(out, a1);
    PutMac(out, a2);
    PutMac(out, a3);
    Put16(out, static_cast<uint16_t>((sequence & 0x0FFF) << 4));
}

void Element(std::vector<uint8_t>& out, uint8_t tag, const uint8_t* value, size_t length) {
    out.push_back(tag);
    out.push_back(static_cast<uint8_t>(length));
    out.insert(out.end(), value, value + length);
}

void Ssid(std::vector<uint8_t>& out, const std::string& ssid) {
    const size_t length = std::min<size_t>(ssid.size(), 32);
    Element(out, 0, reinterpret_cast<const uint8_t*>(ssid.data()), length);
}

void Rates(std::vector<uint8_t>& out) {
    static constexpr uint8_t kRates[] = {0x82, 0x84, 0x8B, 0x96};
    Element(out, 1, kRates, sizeof kRates);
}

// Timestamp, beacon interval, capability information and the elements
// shared by beacons and probe responses.
void BeaconBody(std::vector<uint8_t>& out, const CRadioEnvironment::Station& ap,
                uint64_t timestampUs, bool withTim) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(timestampUs >> (8 * i)));
    Put16(out, static_cast<uint16_t>(ap.beaconIntervalTu));
    uint16_t capability = 0x0001;                  // ESS
    if (ap.privacy) capability |= 0x0010;          // privacy
    if (ap.rateMbps >= 5.5) capability |= 0x0020;  // short preamble
    Put16(out, capability);
    Ssid(out, ap.ssid);
    Rates(out);
    const uint8_t channel = static_cast<uint8_t>(ap.channel);
    Element(out, 3, &channel, 1);
    if (withTim) {
        static constexpr uint8_t kTim[] = {0x00, 0x01, 0x00, 0x00};
        Element(out, 5, kTim, sizeof kTim);
    }
}

void Fill(std::vector<uint8_t>& out, size_t count, CSimRandom& random) {
    for (size_t i = 0; i < count; ++i) out.push_back(static_cast<uint8_t>(random.Next() >> 56));
}

}  // namespace

std::vector<uint8_t> CFrameBuilder::Frame(Kind kind, const CRadioEnvironment::Station& from,
                                          const CRadioEnvironment::Station* peer, uint16_t sequence,
                                          uint64_t timestampUs, size_t airLength,
                                          CSimRandom& random) {
    std::vector<uint8_t> out;
    out.reserve(std::max<size_t>(airLength, 64));
    const Mac& self = from.mac;
    const Mac& other = peer != nullptr ? peer->mac : kBroadcast;
    switch (kind) {
        case Kind::Beacon:
            Header(out, 0, 8, 0, 0, kBroadcast, self, from.bssid, sequence);
            BeaconBody(out, from, timestampUs, true);
            break;
        case Kind::ProbeResponse:
            Header(out, 0, 5, 0, 314, other, self, from.bssid, sequence);
            BeaconBody(out, from, timestampUs, false);
            break;
        case Kind::ProbeRequest:
            Header(out, 0, 4, 0, 0, kBroadcast, self, kBroadcast, sequence);
            Ssid(out, from.ssid);
            Rates(out);
            break;
        case Kind::Authentication: {
            Header(out, 0, 11, 0, 314, other, self, from.bssid, sequence);
            Put16(out, 0);                  // open system
            Put16(out, from.isAp ? 2 : 1);  // transaction sequence
            Put16(out, 0);                  // status: success
            break;
        }
        case Kind::Deauthentication:
            Header(out, 0, 12, 0, 314, other, self, from.bssid, sequence);
            Put16(out, from.isAp ? 4 : 3);  // inactivity, or leaving
            break;
        case Kind::AssociationRequest:
            Header(out, 0, 0, 0, 314, other, self, from.bssid, sequence);
            Put16(out, static_cast<uint16_t>(0x0001 | (from.privacy ? 0x0010 : 0)));
            Put16(out, 10);  // listen interval
            Ssid(out, from.ssid);
            Rates(out);
            break;
        case Kind::Data: {
            // To the distribution system from a client, from it at an
            // access point; a gateway stands behind the access point.
            Mac gateway = from.bssid;
            gateway[5] ^= 0xFE;
            uint8_t flags = from.isAp ? 0x02 : 0x01;
            if (from.privacy) flags |= 0x40;
            if (from.isAp)
                Header(out, 2, 0, flags, 117, other, self, gateway, sequence);
            else
                Header(out, 2, 0, flags, 117, from.bssid, self, gateway, sequence);
            const size_t length = std::max<size_t>(airLength, out.size() + 12);
            if (from.privacy) {
                Fill(out, 3, random);  // initialisation vector
                out.push_back(0x00);   // key index
            } else {
                static constexpr uint8_t kSnap[] = {0xAA, 0xAA, 0x03, 0x00, 0x00, 0x00, 0x08, 0x00};
                out.insert(out.end(), kSnap, kSnap + sizeof kSnap);
            }
            if (out.size() < length) Fill(out, length - out.size(), random);
            break;
        }
        case Kind::Ack:
        case Kind::Cts:
            out.push_back(kind == Kind::Ack ? 0xD4 : 0xC4);
            out.push_back(0);
            Put16(out, kind == Kind::Ack ? 0 : 400);
            PutMac(out, other);
            break;
        case Kind::Rts:
            out.push_back(0xB4);
            out.push_back(0);
            Put16(out, 700);
            PutMac(out, other);
            PutMac(out, self);
            break;
        case Kind::Reserved:
            // Type 3 has no defined subtypes; what is heard is mostly noise
            // that happened to pass as a frame.
            Header(out, 3, static_cast<int>(random.Below(16)), 0, 0, other, self, from.bssid,
                   sequence);
            Fill(out, 4 + random.Below(24), random);
            break;
    }
    return out;
}

std::vector<uint8_t> CFrameBuilder::CapturePayload(const Capture& capture,
                                                   const std::vector<uint8_t>& frame) {
    const size_t kept = std::min(frame.size(), kSnapLength - CaptureHeader::kFrameControl);
    const size_t length = CaptureHeader::kFrameControl + kept;
    std::vector<uint8_t> out(CaptureHeader::kSize, 0);
    out[CaptureHeader::kRssi] = static_cast<uint8_t>(static_cast<int8_t>(capture.rssiDbm));
    for (size_t i = 0; i < capture.estimate.size(); ++i)
        out[CaptureHeader::kEstimate + i] = static_cast<uint8_t>(capture.estimate[i]);
    out[CaptureHeader::kValidFlag] = capture.valid ? 1 : 0;
    out[CaptureHeader::kLength] = static_cast<uint8_t>(length & 0xFF);
    out[CaptureHeader::kLength + 1] = static_cast<uint8_t>(length >> 8);
    // The rate byte, then three unused bytes before the frame.
    out.push_back(static_cast<uint8_t>(CRadioEnvironment::RateCode(capture.rateIndex)));
    out.insert(out.end(), CaptureHeader::kFrameControl - 1, 0);
    out.insert(out.end(), frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(kept));
    return out;
}

bool CFrameBuilder::IsManagement(Kind kind) {
    switch (kind) {
        case Kind::Beacon:
        case Kind::ProbeResponse:
        case Kind::ProbeRequest:
        case Kind::Authentication:
        case Kind::Deauthentication:
        case Kind::AssociationRequest:
            return true;
        default:
            return false;
    }
}

const char* CFrameBuilder::Name(Kind kind) {
    static constexpr const char* kNames[kKinds] = {"beacon",
                                                   "probe response",
                                                   "probe request",
                                                   "authentication",
                                                   "deauthentication",
                                                   "association request",
                                                   "data",
                                                   "ack",
                                                   "rts",
                                                   "cts",
                                                   "reserved"};
    return kNames[static_cast<size_t>(kind)];
}
