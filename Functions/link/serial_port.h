#pragma once
namespace belvan { class SerialPort {}; }
