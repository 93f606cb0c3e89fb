// The album service's fixed endpoints. The album-list host is not here: the storage route names
// it for every request.
#pragma once

namespace qzone {

// Serves "/GetRoute": which host holds an account's album list.
inline constexpr char kStorageRouteHost[] = "route.store.qq.com";
// Serves "/fcgi-bin/fcg_list_photo_v2".
inline constexpr char kPhotoListHost[] = "plist.photo.qq.com";
// Both hosts are reached on the default http port, so their URLs name no port.
inline constexpr int kServicePort = 80;

}  // namespace qzone
