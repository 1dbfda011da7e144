// The About page.
#pragma once
#include <windows.h>
#include "res/resource.h"

// The product's name, its version line, the address and the web page are the same in every
// language.
const wchar_t *const ProductLine = L"Memvale v1.0.0";
const wchar_t *const ProductName = L"Memvale";
const wchar_t *const AuthorEmail = L"jonas.ferren@memvale.example.org";
const wchar_t *const WebAddress = L"" MEMVALE_WEB_ADDRESS;

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void FillAboutPage(HWND page);
