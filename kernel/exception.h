// Base of every framework exception: made on the heap, thrown by pointer and
// released by the code that catches it, through Delete().
#pragma once

class CException {
 public:
  explicit CException(bool autoDelete = true) : m_bAutoDelete(autoDelete) {}
  CException(const CException&) = delete;
  CException& operator=(const CException&) = delete;
  virtual ~CException() = default;

  // Releases a heap exception; one made with autoDelete off is left alone.
  void Delete() {
    if (m_bAutoDelete) delete this;
  }

 private:
  bool m_bAutoDelete;
};
