#pragma once
// The reference checker's verdict on an EPUB file.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace lv::test {

// "" when the checker finds no error and no warning; otherwise its report.
inline std::string epubcheck_problems(const std::string& epub) {
  const std::string report = epub + ".epubcheck.txt";
  // Debian's /usr/bin/epubcheck is the jar itself, which runs directly only
  // where the kernel has been taught to start jars; java runs it anywhere.
  // The quick compiler alone and the serial collector halve the checker's
  // start-up for one small book.
  const std::string command = "java -XX:TieredStopAtLevel=1 -XX:+UseSerialGC -jar /usr/bin/epubcheck '" + epub +
                              "' > '" + report + "' 2>&1";
  const int status = std::system(command.c_str());
  std::ifstream in(report, std::ios::binary);
  std::string output{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::remove(report.c_str());
  if (status == 0 && output.find("No errors or warnings detected") != std::string::npos) return "";
  return output.empty() ? "epubcheck did not run (status " + std::to_string(status) + ")" : output;
}

}  // namespace lv::test
