#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One connection as the connection service lists it.
struct SRasConnection
{
    std::uint64_t handle = 0; // stable while the connection is listed
    std::string entryName;    // the phone-book entry (profile) name, 8-bit text, at most 256 bytes
};

// The connection service: which connections exist, whether each is connected, and which
// phone-book entries (connection profiles) there are. No failure is shown to the user, but a
// service that did not answer says so (kNoAnswer), so that the poller keeps what it knew
// instead of reading "no connections".
class CRasProvider
{
public:
    static constexpr int kConnected = 0x2000; // the one state that counts as connected
    static constexpr int kDialling = 0;       // any other value counts as not connected
    static constexpr int kNoAnswer = -1;      // the service failed or was too slow to answer

    virtual ~CRasProvider() = default;

    // Fills at most `capacity` records at the start of `out`, in the service's order, and
    // returns how many it filled: 0 when the service answered that there is no connection,
    // kNoAnswer when it did not answer.
    virtual int EnumConnections(SRasConnection* out, int capacity) = 0;
    // The state of a listed connection: kConnected, kNoAnswer, or anything else (a connection
    // that vanished meanwhile is simply not connected).
    virtual int GetConnectStatus(std::uint64_t handle) = 0;
    // The phone-book entry names, in the service's order; empty when the service fails.
    virtual std::vector<std::string> EnumEntries() = 0;

    // The service as the user knows it: "NetworkManager", "pppd" or "simulator" (empty: not
    // said). Not installed means nothing will ever connect until the user chooses another.
    virtual std::string GetServiceName() const { return std::string(); }
    virtual bool IsServiceInstalled() const { return true; }
};

// The longest entry name a provider hands out, in bytes.
constexpr std::size_t kMaxEntryNameBytes = 256;
// Cuts a name to kMaxEntryNameBytes without splitting a UTF-8 sequence.
std::string ClampEntryName(std::string name);
