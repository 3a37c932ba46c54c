// The binding behind the Python package orvtext: one call that converts a
// document held in memory (run/memory_conversion.h), a converter that keeps
// its policies and pattern lists from one document to the next, and the
// program's version. The package's __init__.py checks the arguments, raises
// ConversionError and documents the API; this file only crosses the
// language border.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "run/memory_conversion.h"

namespace py = pybind11;

namespace {

// The bytes of a bytes object, without copying them. The object is
// immutable and the caller holds it, so the view stays valid while the
// interpreter lock is released.
std::string_view BytesView(const py::bytes& bytes) {
  char* data = nullptr;
  Py_ssize_t size = 0;
  if (PyBytes_AsStringAndSize(bytes.ptr(), &data, &size) != 0) throw py::error_already_set();
  return {data, static_cast<size_t>(size)};
}

// (converted, output, messages) for Python.
py::tuple ResultTuple(const orv::MemoryConversionResult& result) {
  // Messages are the program's 8-bit text; a byte that is not UTF-8 (a
  // Latin-1 title, say) must not make the call fail.
  py::list messages;
  for (const std::string& message : result.messages) {
    PyObject* text = PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()),
                                          "backslashreplace");
    if (text == nullptr) throw py::error_already_set();
    messages.append(py::reinterpret_steal<py::str>(text));
  }
  return py::make_tuple(result.ok, py::bytes(result.output), messages);
}

// Converts `html` under the policy file text `policies` ("" for the
// defaults). Returns (converted, output, messages). The conversion runs
// with the interpreter lock released, so threads of one process convert
// side by side.
py::tuple Convert(const py::bytes& html, const py::bytes& policies, bool markup_removal,
                  std::string name) {
  orv::MemoryConversionRequest request;
  request.html = BytesView(html);
  request.policy_text = BytesView(policies);
  request.markup_removal = markup_removal;
  request.name = std::move(name);
  orv::MemoryConversionResult result;
  {
    py::gil_scoped_release unlocked;
    result = orv::ConvertInMemory(request);
  }
  return ResultTuple(result);
}

// A MemoryConverter that Python threads may share: one conversion at a
// time, the others waiting without the interpreter lock.
class Converter {
 public:
  Converter(const py::bytes& policies, bool markup_removal)
      : converter_(BytesView(policies), markup_removal) {}

  py::tuple Convert(const py::bytes& html, const std::string& name) {
    const std::string_view document = BytesView(html);
    orv::MemoryConversionResult result;
    {
      py::gil_scoped_release unlocked;
      const std::lock_guard<std::mutex> one_at_a_time(mutex_);
      result = converter_.Convert(document, name);
    }
    return ResultTuple(result);
  }

 private:
  std::mutex mutex_;
  orv::MemoryConverter converter_;
};

}  // namespace

PYBIND11_MODULE(_orvtext, module) {
  module.doc() = "orvtext's conversion core; use the orvtext package, not this module.";
  module.attr("__version__") = ORVTEXT_VERSION;
  module.def("convert", &Convert, py::arg("html"), py::arg("policies"), py::arg("markup_removal"),
             py::arg("name"),
             "convert(html, policies, markup_removal, name) -> (converted, output, messages)");
  py::class_<Converter>(module, "Converter")
      .def(py::init<const py::bytes&, bool>(), py::arg("policies"), py::arg("markup_removal"))
      .def("convert", &Converter::Convert, py::arg("html"), py::arg("name"),
           "convert(html, name) -> (converted, output, messages)");
}
