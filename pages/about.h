// The About page.
#pragma once
#include <windows.h>
#include "res/resource.h"

const char *const ProductLine = "Memvale v1.0.0";
const char *const ProductName = "Memvale";
const char *const AuthorEmail = "jonas.ferren@memvale.example.org";
const char *const WebAddress = MEMVALE_WEB_ADDRESS;
// Three centred lines; %s is the product name.
const char *const TermsFormat = "%s is free software for personal and commercial use.\n"
                                "It comes with no warranty of any kind.\n"
                                "Use it at your own risk.";

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void FillAboutPage(HWND page);
