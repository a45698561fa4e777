// The player's side of the private socket that the web extension asks.
// It listens on a socket in a folder only the user can enter, reads
// requests without ever blocking (the web process waits, the user-interface
// thread does not), checks the secret token and the page's origin, calls
// the script object on the user-interface thread and writes the reply.
#pragma once

#include <glib.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/ExternalDispatch.h"

namespace browser {

class TExternalServer {
 public:
  // `allowed` tells whether a page address may use the object.
  TExternalServer(TExternalDispatch& dispatch, std::function<bool(const std::string&)> allowed);
  ~TExternalServer();
  TExternalServer(const TExternalServer&) = delete;
  TExternalServer& operator=(const TExternalServer&) = delete;

  // Creates the folder (mode 0700) and listens in it; false on failure.
  bool Start(const std::string& folder);
  const std::string& SocketPath() const { return FPath; }
  const std::string& Token() const { return FToken; }
  int Requests() const { return FRequests; }

 private:
  struct TClient;
  static gboolean OnAccept(gint fd, GIOCondition, gpointer self);
  static gboolean OnReadable(gint fd, GIOCondition condition, gpointer client);
  static gboolean OnWritable(gint fd, GIOCondition, gpointer client);
  void Accept();
  // false: drop the client.
  bool Read(const std::shared_ptr<TClient>& client);
  void Flush(const std::shared_ptr<TClient>& client);
  void Drop(const std::shared_ptr<TClient>& client);
  GVariant* Answer(GVariant* request);

  TExternalDispatch& FDispatch;
  std::function<bool(const std::string&)> FAllowed;
  std::string FFolder, FPath, FToken;
  int FListen = -1;
  guint FListenWatch = 0;
  int FRequests = 0;
  std::vector<std::shared_ptr<TClient>> FClients;
};

}  // namespace browser
