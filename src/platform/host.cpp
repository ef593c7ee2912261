#include "platform/host.h"

#include "text/gbk.h"

namespace takeoff::platform {

const std::string& CaptionText(MsgCaption caption) {
  static const std::string tip = text::Gbk("提示");
  static const std::string tipInfo = text::Gbk("提示信息");
  static const std::string warning = text::Gbk("警告");
  static const std::string errorTip = text::Gbk("错误提示");
  static const std::string title = text::Gbk("禾木工程量计算器");
  switch (caption) {
    case MsgCaption::Tip: return tip;
    case MsgCaption::TipInfo: return tipInfo;
    case MsgCaption::Warning: return warning;
    case MsgCaption::ErrorTip: return errorTip;
    case MsgCaption::AppTitle: break;
  }
  return title;
}

const std::string& ProgressCaption() {
  static const std::string caption = text::Gbk("正在处理数据中，请稍候......");
  return caption;
}

}  // namespace takeoff::platform
