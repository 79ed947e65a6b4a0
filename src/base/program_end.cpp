#include "base/program_end.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "base/code_page.h"
#include "base/convert.h"

namespace lv::base {
namespace {

struct Registry {
  std::mutex lock;
  std::vector<std::function<void()>> cleanups;
  std::function<void(const Text&, const Text&)> presenter;
};

// Never destroyed: worker threads may still call in while the process ends.
Registry& registry() {
  static auto* r = new Registry;
  return *r;
}

std::atomic_bool cleanups_ran{false};

void print_to_stderr(const Text& title, const Text& body) {
  const std::string text = gbk_to_utf8(title) + "\n" + gbk_to_utf8(body);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void register_cleanup(std::function<void()> routine) {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  r.cleanups.push_back(std::move(routine));
}

void run_cleanups() {
  if (cleanups_ran.exchange(true)) return;
  std::vector<std::function<void()>> routines;
  {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    routines = r.cleanups;
  }
  for (auto& routine : routines) {
    if (routine) routine();
  }
}

void end_program(int exit_code) {
  run_cleanups();
  end_program_at_once(exit_code);
}

void end_program_at_once(int exit_code) {
  // Static destructors do not run: the toolkit's objects and the sample
  // site's server thread are still alive. Flush what was written and leave.
  std::fflush(nullptr);
  std::_Exit(exit_code);
}

Text runtime_error_message(int code) {
  switch (code) {
    case 1: return gbk("数组成员引用下标超出定义范围");
    case 4: return gbk("数组成员引用下标必须大于等于1");
    case 5: return gbk("数据或数组类型不匹配");
    case 6: return gbk("调用DLL命令后发现堆栈错误");
    default: return {};
  }
}

Text runtime_error_text(int code, std::string_view message) {
  return gbk("运行时出错!") + "\r\n\r\n" + gbk("错误代码：") + to_text(code) + "\r\n\r\n" +
         gbk("错误信息：") + Text(message) + "\r\n";
}

void set_runtime_error_presenter(std::function<void(const Text&, const Text&)> presenter) {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  r.presenter = std::move(presenter);
}

void report_runtime_error(int code) { report_runtime_error(code, runtime_error_message(code)); }

void report_runtime_error(int code, std::string_view message) {
  // A failure inside the box's own code ends the program without a second box.
  thread_local bool reporting = false;
  if (reporting) end_program(-1);
  reporting = true;
  // One stop at a time: a second thread that fails meanwhile waits here
  // until the process is gone.
  static std::mutex stopping;
  stopping.lock();
  std::function<void(const Text&, const Text&)> presenter;
  {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    presenter = r.presenter;
  }
  const Text title = gbk("错误");
  const Text body = runtime_error_text(code, message);
  if (presenter) {
    presenter(title, body);
  } else {
    print_to_stderr(title, body);
  }
  end_program(-1);
}

}  // namespace lv::base
