#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RasProvider.h"

// Dial-up links run by pppd, read from the file system under a root folder ("/" normally; tests
// pass a fake tree).
//
// Entries are the peer files in ROOT/etc/ppp/peers. Connections are the running pppd processes,
// found in ROOT/proc/PID/cmdline, and those named by pid files in ROOT/run, ROOT/run/pppd or
// ROOT/run/ppp: "ppp-LINKNAME.pid" (pid, then optionally the interface on its second line) and
// "pppN.pid" (the pid of the process that owns interface pppN). A pid file counts only while
// ROOT/proc/PID exists and does not belong to another program; its cmdline may be unreadable
// (/proc mounted with hidepid=1), which is taken as pppd.
//
// The entry name of a process is its "call NAME" argument, else its "linkname NAME" argument,
// else the LINKNAME of its pid file, else its interface, else "pppd". A connection is connected
// exactly when its interface is known and ROOT/sys/class/net/IFACE/flags has IFF_UP. The handle
// is the pid. Connections are listed in pid order.
class CPppdProvider : public CRasProvider
{
public:
    explicit CPppdProvider(std::string rootDir = "/");

    int EnumConnections(SRasConnection* out, int capacity) override;
    int GetConnectStatus(std::uint64_t handle) override;
    std::vector<std::string> EnumEntries() override;
    std::string GetServiceName() const override { return "pppd"; }
    // The pppd program, or a peers folder, is on the system.
    bool IsServiceInstalled() const override;

    // The path of a system file under the root, e.g. Path("/proc") = ROOT/proc.
    std::string Path(const std::string& absolute) const { return m_strRoot + absolute; }

private:
    struct SPidFile
    {
        int nPid = 0;
        std::string strLinkName; // empty for a pppN.pid file
        std::string strInterface;
    };

    struct SLink
    {
        int nPid = 0;
        std::string strName;
        std::string strInterface;
    };

    std::vector<SPidFile> ReadPidFiles() const;
    // Entry name and interface of process `pid`, from its arguments (empty when they cannot be
    // read) and the pid files.
    SLink Describe(int pid, const std::vector<std::string>& args, const std::vector<SPidFile>& pidFiles) const;
    std::vector<SLink> FindLinks() const;
    bool IsInterfaceUp(const std::string& interface) const;

    std::string m_strRoot; // without a trailing '/', so "" for the real root
};
