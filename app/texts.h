// Every text the program shows or stores, as exact GBK (code page 936) bytes, with the
// readable form beside each. Kept as escapes so that no compiler's charset settings can
// change a byte.
#pragma once

namespace texts {

inline constexpr char kButtonCaption[] = "\xD7\xA2 \xB2\xE1";  // 注 册
inline constexpr char kFatalCaption[] = "\xB4\xED\xCE\xF3";  // 错误
inline constexpr char kWindowFailed[] = "\xD4\xD8\xC8\xEB\xC6\xF4\xB6\xAF\xB4\xB0\xBF\xDA\xCA\xA7\xB0\xDC";  // 载入启动窗口失败
inline constexpr char kFailureMessage[] = "Tavrilon\xD0\xB4\xC8\xEB\xB4\xED\xCE\xF3!";  // Tavrilon写入错误!
inline constexpr char kSuccessMessage[] = "Tavrilon\xD0\xB4\xC8\xEB\xB3\xC9\xB9\xA6";  // Tavrilon写入成功
inline constexpr char kMessageCaption[] = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：
inline constexpr char kAllocationFailed[] = "\xB7\xD6\xC5\xE4 %d \xD7\xD6\xBD\xDA\xC4\xDA\xB4\xE6\xCA\xA7\xB0\xDC!";  // 分配 %d 字节内存失败!
inline constexpr char kFatalFirstLine[] = "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!";  // 运行时出错!
inline constexpr char kFatalInfo[] = "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA";  // 错误信息：
inline constexpr char kServiceFont[] = "\xB7\xBD\xD5\xFD\xE7\xFA\xE7\xEA\xBC\xF2\xCC\xE5";  // 方正琥珀简体
inline constexpr char kContactLine[] = "\xBF\xCD\xB7\xFE:\xBC\xFB\xC2\xDB\xCC\xB3\r\n";  // 客服:见论坛\r\n
inline constexpr char kCreditLine[] = "\xB3\xBF\xB9\xE2\xD6\xC6\xD7\xF7";  // 晨光制作
inline constexpr char kButtonName[] = "\xB0\xB4\xC5\xA5" "1";  // 按钮1
inline constexpr char kPanelName[] = "\xB1\xEA\xC7\xA9" "1";  // 标签1
inline constexpr char kCreditName[] = "\xB1\xEA\xC7\xA9" "2";  // 标签2
inline constexpr char kContactName[] = "\xB1\xEA\xC7\xA9" "3";  // 标签3
inline constexpr char kServiceName[] = "\xB1\xEA\xC7\xA9" "4";  // 标签4
inline constexpr char kLinkName[] = "\xB3\xAC\xBC\xB6\xC1\xB4\xBD\xD3\xBF\xF2" "1";  // 超级链接框1
constexpr char kWindowTitle[] = "Tavrilon";
constexpr char kServiceNameText[] = "Morvessa";
// Reserved for examples, so it can never send a player to a site someone else owns;
// short enough to fit the link on one line.
constexpr char kServiceAddress[] = "http://mvs.example/";

}  // namespace texts
