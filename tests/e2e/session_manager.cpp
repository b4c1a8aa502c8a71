// A session manager of the test's own, speaking the X11 session management protocol as
// a desktop's does. It prints "SESSION_MANAGER=<address>" for its clients, "registered"
// when one has connected, and on each line "save" from its standard input asks every
// client to save itself as at a logout; "saved ok" (or "saved failed") when one is done.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
#include <poll.h>

namespace {

std::vector<SmsConn> g_clients;

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

Status RegisterClient(SmsConn conn, SmPointer, char* previousId) {
    std::free(previousId);
    char* id = SmsGenerateClientID(conn);
    if (id == nullptr) {
        id = strdup("1qarvex-test-client");
    }
    SmsRegisterClientReply(conn, id);
    g_clients.push_back(conn);
    Say("registered");
    return 1;
}

void SaveYourselfDone(SmsConn, SmPointer, Bool success) {
    Say(success ? "saved ok" : "saved failed");
}

void InteractRequest(SmsConn conn, SmPointer, int) {
    SmsInteract(conn);
}

void InteractDone(SmsConn, SmPointer, Bool) {}
void SaveYourselfRequest(SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}

void SaveYourselfPhase2Request(SmsConn conn, SmPointer) {
    SmsSaveYourselfPhase2(conn);
}

void CloseConnection(SmsConn conn, SmPointer, int count, char** reasons) {
    SmFreeReasons(count, reasons);
    std::erase(g_clients, conn);
    SmsCleanUp(conn);
}

void SetProperties(SmsConn, SmPointer, int count, SmProp** properties) {
    for (int i = 0; i < count; ++i) {
        SmFreeProperty(properties[i]);
    }
    std::free(properties);
}

void DeleteProperties(SmsConn, SmPointer, int count, char** names) {
    for (int i = 0; i < count; ++i) {
        std::free(names[i]);
    }
    std::free(names);
}

void GetProperties(SmsConn conn, SmPointer) {
    SmsReturnProperties(conn, 0, nullptr);
}

Status NewClient(SmsConn, SmPointer, unsigned long* mask, SmsCallbacks* callbacks, char**) {
    *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
            SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
            SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask | SmsSetPropertiesProcMask |
            SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
    callbacks->register_client.callback = RegisterClient;
    callbacks->interact_request.callback = InteractRequest;
    callbacks->interact_done.callback = InteractDone;
    callbacks->save_yourself_request.callback = SaveYourselfRequest;
    callbacks->save_yourself_phase2_request.callback = SaveYourselfPhase2Request;
    callbacks->save_yourself_done.callback = SaveYourselfDone;
    callbacks->close_connection.callback = CloseConnection;
    callbacks->set_properties.callback = SetProperties;
    callbacks->delete_properties.callback = DeleteProperties;
    callbacks->get_properties.callback = GetProperties;
    return 1;
}

// Clients on this machine need no cookie: the test's session is the only one here.
Bool AnyLocalClient(char*) {
    return True;
}

}  // namespace

int main() {
    char error[256] = {};
    if (SmsInitialize("qarvex-test-sm", "1.0", NewClient, nullptr, AnyLocalClient, sizeof error,
                      error) == 0) {
        std::fprintf(stderr, "SmsInitialize: %s\n", error);
        return 1;
    }
    int count = 0;
    IceListenObj* listeners = nullptr;
    if (IceListenForConnections(&count, &listeners, sizeof error, error) == 0) {
        std::fprintf(stderr, "IceListenForConnections: %s\n", error);
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        IceSetHostBasedAuthProc(listeners[i], AnyLocalClient);
    }
    char* address = IceComposeNetworkIdList(count, listeners);
    std::printf("SESSION_MANAGER=%s\n", address);
    std::fflush(stdout);
    std::free(address);

    std::vector<IceConn> connections;
    bool input = true;
    for (;;) {
        std::vector<pollfd> fds;
        for (int i = 0; i < count; ++i) {
            fds.push_back({IceGetListenConnectionNumber(listeners[i]), POLLIN, 0});
        }
        for (IceConn connection : connections) {
            fds.push_back({IceConnectionNumber(connection), POLLIN, 0});
        }
        if (input) {
            fds.push_back({0, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            continue;
        }
        for (int i = 0; i < count; ++i) {
            if (fds[i].revents & POLLIN) {
                IceAcceptStatus status;
                if (IceConn connection = IceAcceptConnection(listeners[i], &status)) {
                    connections.push_back(connection);
                }
            }
        }
        std::vector<IceConn> open;
        for (std::size_t i = 0; i < connections.size(); ++i) {
            const pollfd& fd = fds[static_cast<std::size_t>(count) + i];
            if ((fd.revents & (POLLIN | POLLHUP | POLLERR)) != 0 &&
                IceProcessMessages(connections[i], nullptr, nullptr) == IceProcessMessagesIOError) {
                IceCloseConnection(connections[i]);
                continue;
            }
            open.push_back(connections[i]);
        }
        connections = open;
        if (input && (fds.back().revents & (POLLIN | POLLHUP)) != 0) {
            char line[64];
            if (std::fgets(line, sizeof line, stdin) == nullptr) {
                input = false;
            } else if (std::strncmp(line, "save", 4) == 0) {
                for (SmsConn client : g_clients) {
                    SmsSaveYourself(client, SmSaveBoth, True, SmInteractStyleNone, False);
                }
            }
        }
    }
}
