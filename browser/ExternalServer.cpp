#include "browser/ExternalServer.h"

#include <glib-unix.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "browser/ExternalWire.h"
#include "core/Encoding.h"

namespace browser {

struct TExternalServer::TClient {
  TExternalServer* Server = nullptr;
  int Fd = -1;
  guint ReadWatch = 0, WriteWatch = 0;
  std::string In, Out;
  bool Busy = false, Dropped = false;
  // Not watched while its call runs (a message box's loop): a peer that
  // hangs up meanwhile would wake the loop without end.
  bool Paused = false;
};

TExternalServer::TExternalServer(TExternalDispatch& dispatch, std::function<bool(const std::string&)> allowed)
    : FDispatch(dispatch), FAllowed(std::move(allowed)) {}

TExternalServer::~TExternalServer() {
  for (auto& client : std::vector<std::shared_ptr<TClient>>(FClients)) Drop(client);
  if (FListenWatch) g_source_remove(FListenWatch);
  if (FListen >= 0) ::close(FListen);
  if (!FPath.empty()) ::unlink(FPath.c_str());
  if (!FFolder.empty()) ::rmdir(FFolder.c_str());
}

bool TExternalServer::Start(const std::string& folder) {
  if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) return false;
  ::chmod(folder.c_str(), 0700);
  std::string path = folder + "/external-" + std::to_string(::getpid()) + ".sock";
  sockaddr_un address{};
  if (path.size() >= sizeof(address.sun_path)) return false;
  ::unlink(path.c_str());
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(fd, 8) != 0) {
    ::close(fd);
    return false;
  }
  ::chmod(path.c_str(), 0600);
  // The folder is the user's alone; the token keeps out any other program
  // of the same user that finds the socket.
  gchar* token = g_uuid_string_random();
  FToken = token;
  g_free(token);
  FFolder = folder;
  FPath = path;
  FListen = fd;
  FListenWatch = g_unix_fd_add(fd, G_IO_IN, &TExternalServer::OnAccept, this);
  return true;
}

gboolean TExternalServer::OnAccept(gint, GIOCondition, gpointer self) {
  static_cast<TExternalServer*>(self)->Accept();
  return G_SOURCE_CONTINUE;
}

void TExternalServer::Accept() {
  for (;;) {
    int fd = ::accept4(FListen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    auto client = std::make_shared<TClient>();
    client->Server = this;
    client->Fd = fd;
    client->ReadWatch = g_unix_fd_add(fd, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR), &TExternalServer::OnReadable,
                                      client.get());
    FClients.push_back(client);
  }
}

gboolean TExternalServer::OnReadable(gint, GIOCondition, gpointer data) {
  auto* raw = static_cast<TClient*>(data);
  TExternalServer* server = raw->Server;
  auto it = std::find_if(server->FClients.begin(), server->FClients.end(),
                         [raw](const std::shared_ptr<TClient>& c) { return c.get() == raw; });
  if (it == server->FClients.end()) return G_SOURCE_REMOVE;
  std::shared_ptr<TClient> client = *it;
  if (client->Busy) {
    client->ReadWatch = 0;
    client->Paused = true;
    return G_SOURCE_REMOVE;
  }
  guint current = client->ReadWatch;
  if (!server->Read(client)) {
    // This source ends by returning; a watch made meanwhile goes with Drop.
    if (client->ReadWatch == current) client->ReadWatch = 0;
    server->Drop(client);
    return G_SOURCE_REMOVE;
  }
  return G_SOURCE_CONTINUE;
}

bool TExternalServer::Read(const std::shared_ptr<TClient>& client) {
  char chunk[4096];
  for (;;) {
    ssize_t n = ::read(client->Fd, chunk, sizeof chunk);
    if (n > 0) {
      client->In.append(chunk, static_cast<size_t>(n));
      if (client->In.size() > MaxFrameBytes + 4) return false;
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) break;
    return false;
  }
  for (;;) {
    GVariant* request = nullptr;
    int got = TakeFrame(client->In, RequestType, &request);
    if (got < 0) return false;
    if (got == 0) return true;
    client->Busy = true;
    GVariant* reply = Answer(request);
    g_variant_unref(request);
    client->Busy = false;
    if (client->Dropped) return true;
    if (client->Paused) {
      client->Paused = false;
      client->ReadWatch = g_unix_fd_add(client->Fd, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                        &TExternalServer::OnReadable, client.get());
    }
    client->Out += Frame(reply);
    Flush(client);
    if (client->Dropped) return true;
  }
}

void TExternalServer::Flush(const std::shared_ptr<TClient>& client) {
  while (!client->Out.empty()) {
    ssize_t n = ::send(client->Fd, client->Out.data(), client->Out.size(), MSG_NOSIGNAL);
    if (n > 0) {
      client->Out.erase(0, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!client->WriteWatch)
        client->WriteWatch = g_unix_fd_add(client->Fd, G_IO_OUT, &TExternalServer::OnWritable, client.get());
      return;
    }
    Drop(client);
    return;
  }
}

gboolean TExternalServer::OnWritable(gint, GIOCondition, gpointer data) {
  auto* raw = static_cast<TClient*>(data);
  TExternalServer* server = raw->Server;
  raw->WriteWatch = 0;
  auto it = std::find_if(server->FClients.begin(), server->FClients.end(),
                         [raw](const std::shared_ptr<TClient>& c) { return c.get() == raw; });
  if (it != server->FClients.end()) server->Flush(*it);
  return G_SOURCE_REMOVE;
}

void TExternalServer::Drop(const std::shared_ptr<TClient>& client) {
  if (client->Dropped) return;
  client->Dropped = true;
  if (client->ReadWatch) g_source_remove(client->ReadWatch);
  if (client->WriteWatch) g_source_remove(client->WriteWatch);
  client->ReadWatch = client->WriteWatch = 0;
  ::close(client->Fd);
  FClients.erase(std::remove(FClients.begin(), FClients.end(), client), FClients.end());
}

namespace {

TScriptValue FromVariant(GVariant* boxed) {
  GVariant* v = g_variant_get_variant(boxed);
  TScriptValue out;
  if (g_variant_is_of_type(v, G_VARIANT_TYPE_BOOLEAN)) out = static_cast<bool>(g_variant_get_boolean(v));
  else if (g_variant_is_of_type(v, G_VARIANT_TYPE_INT32)) out = static_cast<std::int32_t>(g_variant_get_int32(v));
  else if (g_variant_is_of_type(v, G_VARIANT_TYPE_DOUBLE)) out = g_variant_get_double(v);
  else if (g_variant_is_of_type(v, G_VARIANT_TYPE_STRING)) out = enc::Utf8ToUtf16(g_variant_get_string(v, nullptr));
  g_variant_unref(v);
  return out;
}

GVariant* ToVariant(const TScriptValue& value) {
  if (auto* b = std::get_if<bool>(&value)) return g_variant_new_boolean(*b);
  if (auto* i = std::get_if<std::int32_t>(&value)) return g_variant_new_int32(*i);
  if (auto* d = std::get_if<double>(&value)) return g_variant_new_double(*d);
  if (auto* s = std::get_if<std::u16string>(&value)) return g_variant_new_string(enc::Utf16ToUtf8(*s).c_str());
  return g_variant_new_tuple(nullptr, 0);  // undefined
}

GVariant* Reply(bool ok, GVariant* value, const std::string& error) {
  return g_variant_new("(bvs)", ok, value ? value : g_variant_new_tuple(nullptr, 0), error.c_str());
}

}  // namespace

GVariant* TExternalServer::Answer(GVariant* request) {
  ++FRequests;
  const gchar *token = nullptr, *page = nullptr, *operation = nullptr, *name = nullptr;
  GVariantIter* args = nullptr;
  g_variant_get(request, "(&s&s&s&sav)", &token, &page, &operation, &name, &args);
  std::vector<TScriptValue> values;
  GVariant* arg = nullptr;
  while (g_variant_iter_next(args, "@v", &arg)) {
    values.push_back(FromVariant(arg));
    g_variant_unref(arg);
  }
  g_variant_iter_free(args);
  if (FToken.empty() || std::strcmp(token, FToken.c_str()) != 0) return Reply(false, nullptr, "Access denied");
  // The web process already leaves the object out on other pages; a page
  // that still asks (a frame navigated meanwhile) is refused here.
  if (!FAllowed || !FAllowed(page)) return Reply(false, nullptr, "Access denied");
  std::u16string member = enc::Utf8ToUtf16(name);
  try {
    if (std::strcmp(operation, "lookup") == 0) {
      TExternalDispatch::TMemberKind kind = TExternalDispatch::mkNone;
      FDispatch.GetIDOfName(member, &kind);
      return Reply(true, g_variant_new_int32(kind), "");
    }
    if (std::strcmp(operation, "call") == 0 || std::strcmp(operation, "get") == 0)
      return Reply(true, ToVariant(FDispatch.Call(member, values)), "");
    return Reply(false, nullptr, "Unknown operation");
  } catch (const std::exception& e) {
    return Reply(false, nullptr, std::string(TExternalDispatch::ClassName()) + ": " + e.what());
  }
}

}  // namespace browser
